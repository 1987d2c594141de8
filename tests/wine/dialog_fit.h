#pragma once
// Measures what the dialog's controls show against the room they draw it
// in, with the font they really got.

#include "dialog_probe.h"

// Every caption and list entry fits its control; typed into the number
// fields, 255 and 1000 read back and show whole. Leaves both fields at 50
// and the focus in cmbCOM.
void CheckEverythingFits(DialogProbe& probe);
