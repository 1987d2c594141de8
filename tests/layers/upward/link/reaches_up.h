#pragma once
#include "core/clsOutputDriver.h"
