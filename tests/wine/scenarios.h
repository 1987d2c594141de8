#pragma once

#include <functional>
#include <map>
#include <string>

#include "host_context.h"

using Scenario = std::function<void(HostContext&)>;

// By name, as the command line gives it.
const std::map<std::wstring, Scenario>& Scenarios();
