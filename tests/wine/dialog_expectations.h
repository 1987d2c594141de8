#pragma once
// The dialog as its users were promised it: captions and places in twips
// (relative to the enclosing frame, as the form was drawn).

#include <array>

#include "dialog_probe.h"

struct ExpectedControl {
  int control;
  const wchar_t* name;
  int frame;  // -1: the window
  const wchar_t* caption;
  int left, top, width, height;
};

inline constexpr std::array<ExpectedControl, kControlCount> kExpected{{
    {kFrmCommunication, L"frmCommunication", -1, L"Kommunikationseinstellungen",
     120, 120, 3975, 735},
    {kLabel1, L"Label1", kFrmCommunication, L"COM-Port:", 120, 300, 735, 255},
    {kCmbCom, L"cmbCOM", kFrmCommunication, nullptr, 960, 240, 975, 315},
    {kLabel2, L"Label2", kFrmCommunication, L"Baud-Rate:", 2040, 300, 855, 255},
    {kCmbBaud, L"cmbBaud", kFrmCommunication, nullptr, 2880, 240, 975, 315},
    {kFrmDmxIn, L"frmDMXIn", -1, L"DMX-In", 120, 960, 3975, 1215},
    {kChkDmxInActive, L"chkDMXInActive", kFrmDmxIn, L"DMX-In aktiv", 120, 240,
     3735, 255},
    {kLabel3, L"Label3", kFrmDmxIn, L"Anzahl zu überwachender Kanäle:", 360,
     525, 2655, 255},
    {kTxtDmxInChannels, L"txtDMXInChannels", kFrmDmxIn, L"50", 3120, 480, 480,
     285},
    {kUdDmxInChannels, L"udDMXInChannels", kFrmDmxIn, nullptr, 3600, 480, 255,
     285},
    {kLabel4, L"Label4", kFrmDmxIn, L"Abfrageintervall (ms):", 360, 880, 2655,
     255},
    {kTxtDmxInInterval, L"txtDMXInInterval", kFrmDmxIn, L"50", 3120, 840, 480,
     285},
    {kUdDmxInInterval, L"udDMXInInterval", kFrmDmxIn, nullptr, 3600, 840, 255,
     285},
    {kFrmTest, L"frmTest", -1, L"Verbindung", 120, 2280, 3975, 3015},
    {kTxtRecv, L"txtRecv", kFrmTest, L"", 120, 240, 3735, 1335},
    {kTxtSend, L"txtSend", kFrmTest, L"s", 120, 1560, 2895, 285},
    {kCmdSend, L"cmdSend", kFrmTest, L"&Senden", 3000, 1560, 855, 285},
    {kCmdShowSetup, L"cmdShowSetup", kFrmTest, L"Setupmenü anzeigen", 120, 2040,
     1815, 375},
    {kCmdShowInfo, L"cmdShowInfo", kFrmTest, L"Interfaceinfo anzeigen", 2040,
     2040, 1815, 375},
    {kCmdCheckConnection, L"cmdCheckConnection", kFrmTest,
     L"Verbindung zum DMX-Transmitter &testen", 120, 2520, 3735, 375},
    // A line: from (120, 1920) to (3840, 1920); its thickness is the
    // system's.
    {kLine1, L"Line1", kFrmTest, nullptr, 120, 1920, 3720, -1},
}};

inline constexpr int kInnerWidthTwips = 4215;
inline constexpr int kInnerHeightTwips = 5415;

// The tab stops in tab order.
inline constexpr std::array<int, 13> kTabOrder{
    kCmbCom,           kCmbBaud,          kChkDmxInActive,
    kTxtDmxInChannels, kTxtDmxInInterval, kCmdSend,
    kTxtRecv,          kTxtSend,          kCmdCheckConnection,
    kCmdShowSetup,     kCmdShowInfo,      kUdDmxInChannels,
    kUdDmxInInterval};
