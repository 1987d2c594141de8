#include "scenarios.h"

#include "scenario_tools.h"

const std::map<std::wstring, Scenario>& Scenarios() {
  static const std::map<std::wstring, Scenario> scenarios = {
      {L"handshake", ScenarioHandshake},
  };
  return scenarios;
}
