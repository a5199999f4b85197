#include "app/StartUp.h"

#include "app/RunLog.h"
#include "batchlist/FileHelpers.h"
#include "core/Messages.h"
#include "settings/core/SettingsRules.h"
#include "win/Warning.h"

namespace marlisk::win {

bool StartUp::shown() {
  if (stage_ != Stage::Waiting) return false;
  stage_ = Stage::Posted;
  return true;
}

void StartUp::say(const std::string& text) const {
  if (unattended_)
    keep_(text);
  else
    ShowWarning(text);
}

StartUp::Result StartUp::run(const std::string& bundledConverter) {
  Result result;
  if (stage_ == Stage::Done) return result;
  stage_ = Stage::Done;
  const WarningSink say = [this](const std::string& text) { this->say(text); };

  // Unattended mode is known before anything can show a box: a start at logon must not wait
  // for a person at the first message (a viewer that is not there, say).
  const StartFolders folders = startFolders(app_.exeFolder, app_.localAppData);
  // The run log lies in the working folder: what the run settings' load says, kept unattended,
  // must reach it, not a "Log" folder at the root of the current drive.
  app_.settings.WorkFolder = folders.workFolder;
  bool personStarted = false;
  {
    std::vector<std::string> said;
    app_.runSettings = RunSettingsFile(app_.fileSystem, [&said](const std::string& text) {
                         said.push_back(text);
                       }).load(folders.workFolder + "\\" + kRunSettingsFileName);
    const StartRequest early = evaluateCommandLine(app_.arguments, resolveShortcut);
    unattended_ = app_.runSettings.Unattended && (early.standby || early.batch);
    standby_ = early.standby;
    personStarted = !early.standby && !early.batch && !app_.runSettings.Unattended;
    for (const std::string& text : said) say(text);
  }

  // Without the viewer a new user can convert nothing: the converter that came with the
  // program is offered in its place. Only a person who started the program is asked: a start
  // by a switch, or in unattended mode, may be a start at logon or from a script, and a
  // question there would hold the night's work until morning.
  ParameterFile parameters(app_.fileSystem, app_.codec, say);
  bool useBundled = false;
  if (!bundledConverter.empty())
    parameters.onViewerMissing([&](const std::string& path, const std::string& warning) {
      if (!personStarted) return say(warning);
      useBundled = AskYesNo(offerBundledConverterQuestion(path, bundledConverter), false);
    });
  if (!prepareWorkingFolder(folders, app_.settings, app_.fileSystem, parameters, say)) return result;
  if (useBundled) {
    app_.settings.ViewerExePath = bundledConverter;
    parameters.save(app_.settings);
  }
  result.request = evaluateCommandLine(app_.arguments, resolveShortcut);
  // A name the parameter file cannot hold is not taken: it would be saved at the next
  // change, and a batch run on the stored list instead would convert the wrong files.
  if (result.request.batchFileName) {
    if (storableOrSay(*result.request.batchFileName, app_.codec, say)) {
      app_.settings.BatchFileName = *result.request.batchFileName;
    } else if (result.request.batch && !result.request.standby) {
      result.exitCode = kExitRunNotStarted;
      return result;
    }
  }
  if (result.request.batch && !result.request.standby && app_.settings.BatchFileName.empty()) {
    say(kNoBatchFileNameMessage);
    result.exitCode = kExitRunNotStarted;
    return result;
  }
  result.proceed = true;
  return result;
}

}  // namespace marlisk::win
