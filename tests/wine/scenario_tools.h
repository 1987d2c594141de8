#pragma once
// The scenarios of the Wine test host, and what they share.

#include <string>
#include <vector>

#include "box_watcher.h"
#include "host_context.h"

void ScenarioLink(HostContext& host);
void ScenarioBoxes(HostContext& host);
void ScenarioDispatch(HostContext& host);
void ScenarioSettings(HostContext& host);
void ScenarioObjects(HostContext& host);
void ScenarioUnload(HostContext& host);
void ScenarioUnregistered(HostContext& host);
void ScenarioDmxIn(HostContext& host);
void ScenarioRecovery(HostContext& host);
void ScenarioSerialLoss(HostContext& host);
void ScenarioInvokeFuzz(HostContext& host);
void ScenarioScriptHelper(HostContext& host);

// Stores the port of the simulator and the given line settings.
void UseSimulator(HostContext& host, const wchar_t* line_settings);

// Waits (pumping) for the watcher to report `count` boxes.
std::vector<SeenBox> BoxesSeen(HostContext& host, std::size_t count);
