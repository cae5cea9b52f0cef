#include "MainWnd/ConfigThread.h"

#include "MainWnd/ConfigDocument.h"
#include "MainWnd/DocumentJson.h"
#include "MainWnd/UpdateDecision.h"
#include "MainWnd/Updater.h"
#include "MainWnd/WhitelistFetch.h"
#include "system/TextConvert.h"
#include "system/WriteLogFile.h"

#include <exception>

namespace {

enum class Outcome { kStart, kFailed, kExit, kUpdateMissing };

Outcome RunSteps(IConfigOutcome& outcome, const std::string& configUrl) {
  std::string text = FetchConfigDocument(outcome.Http(), configUrl, &outcome.Transfers());
  ConfigSettings settings;
  if (!ReadConfigSettings(text, settings)) {
    g_logFile.WriteText(__FILE__, __LINE__, L"解析失败");
    g_logFile.WriteText(__FILE__, __LINE__, Utf8ToWide(text));
    return Outcome::kFailed;
  }

  if (ReleaseIsNewer(settings.updateUrl))
    return LaunchUpdater(settings.updateMd5, settings.updateUrl) ? Outcome::kExit : Outcome::kUpdateMissing;

  // The lists are filled once per process; a filled inside list means the
  // fetches have been made.
  if (!outcome.InsideWhitelist().IsEmpty()) return Outcome::kStart;
  if (!FetchWhitelist(outcome.Http(), settings.inOpenUrl, WhitelistKind::kInside, outcome.InsideWhitelist(),
                      &outcome.Transfers()))
    return Outcome::kFailed;
  if (!FetchWhitelist(outcome.Http(), settings.outOpenUrl, WhitelistKind::kOutside, outcome.OutsideWhitelist(),
                      &outcome.Transfers()))
    return Outcome::kFailed;
  return Outcome::kStart;
}

}  // namespace

void RunConfigSequence(IConfigOutcome& outcome, const std::string& configUrl) {
  Outcome result;
  try {
    result = RunSteps(outcome, configUrl);
  } catch (const std::exception&) {
    // Out of memory on a hostile document, for instance: the configuration
    // could not be read.
    g_logFile.WriteText(__FILE__, __LINE__, L"解析失败");
    result = Outcome::kFailed;
  }
  switch (result) {
    case Outcome::kStart:
      outcome.StartFirstLine();
      break;
    case Outcome::kFailed:
      outcome.InitialisationFailed();
      break;
    case Outcome::kExit:
      outcome.ExitForUpdate();
      break;
    case Outcome::kUpdateMissing:
      outcome.UpdateComponentMissing();
      break;
  }
}

unsigned ConfigThreadProc(void* argument) {
  if (argument) RunConfigSequence(*static_cast<IConfigOutcome*>(argument), ConfigDocumentUrl());
  return 0;
}
