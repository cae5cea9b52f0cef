#include "outside/update/UpdateRequest.h"

#include <json/json.h>

#include <cctype>
#include <exception>

namespace {

bool ReadMember(const Json::Value& root, const char* key, std::string& value, std::string& error) {
  const Json::Value& member = root[key];
  if (!member.isString()) {
    error = std::string("member \"") + key + "\" is missing or not a string";
    return false;
  }
  value = member.asString();
  return true;
}

bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool IsMd5Text(const std::string& text) {
  if (text.size() != 32) return false;
  for (unsigned char c : text)
    if (!std::isxdigit(c)) return false;
  return true;
}

}  // namespace

bool ParseUpdateRequest(const std::string& text, UpdateRequest& request, std::string& error) {
  Json::Value root;
  bool parsed = false;
  try {
    Json::Reader reader(Json::Features::strictMode());
    parsed = reader.parse(text, root, false);
  } catch (const std::exception&) {
    parsed = false;
  }
  if (!parsed || !root.isObject()) {
    request.exeName.clear();
    error = "the request is no JSON object";
    return false;
  }
  UpdateRequest read;
  request.exeName.clear();
  if (!ReadMember(root, "exe_name", read.exeName, error)) return false;
  if (!IsPlainFileName(read.exeName)) {
    error = "\"exe_name\" is not a plain file name";
    return false;
  }
  request.exeName = read.exeName;
  if (!ReadMember(root, "update_md5", read.updateMd5, error) || !ReadMember(root, "update_url", read.updateUrl, error) ||
      !ReadMember(root, "version", read.version, error) || !ReadMember(root, "version_code", read.versionCode, error))
    return false;
  if (read.updateUrl.empty()) {
    error = "\"update_url\" is empty";
    return false;
  }
  if (!IsMd5Text(read.updateMd5)) {
    error = "\"update_md5\" is not an MD5 digest";
    return false;
  }
  request = read;
  return true;
}
