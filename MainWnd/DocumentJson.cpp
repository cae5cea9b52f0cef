#include "MainWnd/DocumentJson.h"

#include "system/TextConvert.h"

#include <json/json.h>

#include <exception>

namespace {

// JsonCpp's reader with comments allowed. It refuses nesting deeper than
// its stack limit by throwing, which counts as a parse failure here.
bool ParseJson(const std::string& text, Json::Value& root) {
  try {
    Json::Reader reader(Json::Features::all());
    return reader.parse(text, root, false);
  } catch (const std::exception&) {
    return false;
  }
}

bool ReadStringMember(const Json::Value& root, const char* key, std::string& value) {
  const Json::Value* member = root.find(key, key + std::char_traits<char>::length(key));
  if (!member || member->isNull()) {
    value.clear();
    return true;
  }
  if (!member->isString()) return false;
  value = member->asString();
  return true;
}

}  // namespace

bool ReadConfigSettings(const std::string& text, ConfigSettings& settings) {
  Json::Value root;
  if (!ParseJson(text, root) || !root.isObject()) return false;
  ConfigSettings read;
  if (!ReadStringMember(root, "in_open_url", read.inOpenUrl) || !ReadStringMember(root, "out_open_url", read.outOpenUrl) ||
      !ReadStringMember(root, "update_md5", read.updateMd5) || !ReadStringMember(root, "update_url", read.updateUrl))
    return false;
  settings = read;
  return true;
}

bool ReadWhitelistEntries(const std::string& text, std::vector<std::wstring>& entries) {
  Json::Value root;
  if (!ParseJson(text, root) || !root.isArray()) return false;
  std::vector<std::wstring> read;
  read.reserve(root.size());
  for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
    const Json::Value& element = root[i];
    if (!element.isString()) return false;
    read.push_back(Utf8ToWide(element.asString()));
  }
  entries = std::move(read);
  return true;
}
