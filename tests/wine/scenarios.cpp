#include "scenarios.h"

#include "scenario_dialog.h"
#include "scenario_tools.h"

const std::map<std::wstring, Scenario>& Scenarios() {
  static const std::map<std::wstring, Scenario> scenarios = {
      {L"link", ScenarioLink},
      {L"boxes", ScenarioBoxes},
      {L"dispatch", ScenarioDispatch},
      {L"settings", ScenarioSettings},
      {L"objects", ScenarioObjects},
      {L"unload", ScenarioUnload},
      {L"unregistered", ScenarioUnregistered},
      {L"dmxin", ScenarioDmxIn},
      {L"recovery", ScenarioRecovery},
      {L"serial-loss", ScenarioSerialLoss},
      {L"invoke-fuzz", ScenarioInvokeFuzz},
      {L"script-helper", ScenarioScriptHelper},
      {L"dialog-layout", ScenarioDialogLayout},
      {L"dialog-link", ScenarioDialogLink},
      {L"dialog-numbers", ScenarioDialogNumbers},
      {L"dialog-modal", ScenarioDialogModal},
      {L"dialog-keys", ScenarioDialogKeys},
  };
  return scenarios;
}
