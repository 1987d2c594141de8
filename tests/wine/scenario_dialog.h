#pragma once
// The scenarios that drive the configuration dialog's real window.

#include "host_context.h"

void ScenarioDialogLayout(HostContext& host);
void ScenarioDialogLink(HostContext& host);
void ScenarioDialogNumbers(HostContext& host);
void ScenarioDialogModal(HostContext& host);
// Needs run.sh's X requests (Wine's virtual desktop).
void ScenarioDialogKeys(HostContext& host);
