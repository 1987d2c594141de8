#pragma once
#include "link/frmMain.h"
