#pragma once
#include "timer.h"
#include "quorvix.h"
#include "modMain.h"
#include "../state/modMain.h"
