#pragma once
// The configuration dialog's controls: names, kinds, captions, places in
// twips, tab order and scroll ranges, as every view builds them.

#include <string_view>

#include "platform/dialog_view.h"

namespace quorvix {

// The controls by name, in the order of DialogLayout::controls.
namespace cfg {
enum : ControlId {
  frmCommunication,
  Label1,
  cmbCOM,
  Label2,
  cmbBaud,
  frmDMXIn,
  chkDMXInActive,
  Label3,
  txtDMXInChannels,
  udDMXInChannels,
  Label4,
  txtDMXInInterval,
  udDMXInInterval,
  frmTest,
  txtRecv,
  txtSend,
  cmdSend,
  cmdShowSetup,
  cmdShowInfo,
  cmdCheckConnection,
  Line1,
  kControlCount,
};
}  // namespace cfg

// Window caption "Konfiguration", inner area 4215 x 5415 twips; bounds are
// absolute within the inner area.
const DialogLayout& ConfigLayout();

// kNoControl when no control has that name.
ControlId FindControl(std::string_view name);

}  // namespace quorvix
