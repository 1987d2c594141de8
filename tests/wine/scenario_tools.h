#pragma once

#include "host_context.h"

void ScenarioHandshake(HostContext& host);
