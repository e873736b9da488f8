#pragma once
// Numbers of the texts in the language files (data/Language_*.txt). Every
// caption, busy text and message the program shows is looked up by one of
// these names; the files give each number its wording per language.
#include <cstdint>

namespace txt {

enum : int32_t {
    // Welcome window
    WelcomeCaption = 0,
    WelcomeTo = 1,
    WelcomeTitle = 2,
    WelcomeVersion = 3,
    WelcomePortLabel = 4,
    WelcomeConnect = 5,
    WelcomeExit = 6, // also the login window's Exit
    WelcomeLanguage = 7,

    // Login window
    LoginCaption = 100,
    LoginTitle = 101,
    LoginUserName = 102,
    LoginPassword = 103,
    LoginButton = 104,

    // Main menu window
    MainCaption = 200,
    MainTitle = 201,
    MainStatic = 202,
    MainReboot = 203,
    MainLogout = 204,

    // Busy window
    BusyCaption = 300,
    BusyLine1 = 301,
    BusyLine2 = 302,

    // Port table choices: speed/duplex and auto negotiation
    Speed10Half = 303,
    Speed10Full = 304,
    Speed100Half = 305,
    Speed100Full = 306,
    Speed1000Half = 307,
    Speed1000Full = 308,
    AutoForce = 309,
    AutoAuto = 310,
    AutoNwayForce = 311,

    // Static configuration menu window
    StaticCaption = 400,
    StaticTitle = 401,
    StaticPort = 402, // also the port window's message caption
    StaticTrunk = 403,
    StaticVlan = 404,
    StaticMisc = 405,
    StaticMainMenu = 406,

    // Trunk window
    TrunkCaption = 500,
    TrunkTitle = 501,
    TrunkPortHeading = 502,
    TrunkWarnings = 510,
    TrunkWarning1 = 511,
    TrunkWarning2 = 512,
    TrunkWarning3 = 513,
    TrunkWarning4 = 514,
    TrunkWarning5 = 515,
    TrunkWarning6 = 516,
    ExitButton = 517,  // Exit of every configuration window
    ApplyButton = 518, // Apply of every configuration window

    // VLAN menu window
    VlanMenuCaption = 600,
    VlanMenuTitle = 601,
    VlanMenuSupport = 602, // also the VLAN settings window's message caption
    VlanMenuCreate = 603,
    VlanMenuEdit = 604,
    VlanMenuPrevious = 605,

    // VLAN group list window
    GroupListCaption = 700,
    GroupListTitle = 701,
    GroupListName = 702,
    GroupListVid = 703,
    GroupListEdit = 704,
    GroupListDelete = 705,

    // VLAN group window
    GroupCaption = 800,
    GroupTitle = 801,
    GroupNameLabel = 802,
    GroupIdLabel = 803,
    GroupPortHeading = 804,
    GroupMemberHeading = 805,
    GroupAddTitle = 806,
    GroupEditTitle = 807,
    GroupCaptionPrefix = 808,

    // VLAN settings window
    VlanCaption = 900,
    VlanTitle = 901,
    VlanModeLabel = 902,
    VlanNote = 905,
    VlanPvidRange = 906,

    // Port window
    PortCaption = 1000,
    PortTitle = 1001,
    PortHeadingPort = 1002,
    PortHeadingType = 1003,
    PortHeadingInRate = 1004,
    PortHeadingOutRate = 1005,
    PortHeadingEnable = 1006,
    PortHeadingAuto = 1007,
    PortHeadingSpeed = 1008,
    PortHeadingFlow = 1009,
    PortHeadingFull = 1010,
    PortHeadingHalf = 1011,
    PortNotes = 1012,
    PortNote1 = 1013,
    PortNote2 = 1014,
    PortNote2Values = 1015,
    PortNote2Range = 1016,
    PortNote3 = 1017,
    PortNote4 = 1018,
    PortPrevPage = 1019,
    PortNextPage = 1020,

    // Misc window
    MiscCaption = 1100,
    MiscTitle = 1101,
    MiscUserName = 1102,
    MiscOldPassword = 1103,
    MiscNewPassword = 1104,
    MiscAgainPassword = 1105,
    MiscRetry = 1106,
    MiscAging = 1107,
    MiscHash = 1108,
    MiscEnabled = 1109,

    // Restart menu window
    RestartCaption = 1200,
    RestartTitle = 1201,
    RestartDefault = 1202,
    RestartSwitch = 1203,
    RestartPrevious = 1204,

    // Message-box captions and one-line status texts
    CaptionExit = 1210,
    CaptionPort = 1211,
    CaptionTrunk = 1212,
    CaptionGroup = 1213,
    CaptionVlan = 1214,
    CaptionMisc = 1215,
    CaptionGroupEdit = 1216,
    CaptionGroupDelete = 1217,
    CaptionGroupList = 1218,
    LoginFailed = 1219,
    LoginNoUser = 1220,
    LoginRunning = 1221,
    LoginClosing = 1222,
    CaptionConnect = 1223,
    CaptionFactoryDefault = 1224,
    CaptionRestart = 1225,
    TrunkInvalidMembers = 1226,
    CaptionSerialPort = 1227,

    // Busy-window texts
    BusyConnecting = 1260,
    BusySaving = 1261,
    BusyOpenStatic = 1262,
    BusyLoggingOut = 1263,
    BusyOpenRestart = 1264,
    BusyToMainMenu = 1265,
    BusyToStaticMenu = 1266,
    BusyReadPorts = 1267,
    BusySending = 1268,
    BusyOpenPorts = 1269,
    BusyReadTrunks = 1270,
    BusyOpenVlanMenu = 1271,
    BusyReadMisc = 1272,
    BusyReadVlan = 1273,
    BusyNewGroup = 1274,
    BusyReadGroupList = 1275,
    BusyReadGroup = 1276,
    BusyToPrevious = 1277,
    BusyToVlanMenu = 1278,
    BusyDeleteGroup = 1279,
    BusyFactoryDefault = 1280,

    // Message-box texts (stored with their line end)
    AskExit = 1300,
    SettingsSaved = 1301,
    BackToPrevious = 1302,
    GroupRefused = 1303,
    SettingsNotSaved = 1304,
    GroupDeletedText = 1305,
    GroupNotDeletedText = 1306,
    SwitchSilent = 1307,
    PasswordNotChanged = 1308,
    ConnectTimeout1 = 1309,
    ConnectTimeout2 = 1310,
    ConnectTimeout3 = 1311,
    GroupNameEmpty = 1312,
    GroupNameAsk = 1313,
    NoGroupToSelect = 1314,
    AskDeleteGroup = 1315,
    FactoryDefaultWarn = 1316,
    AskContinue = 1317,
    AskRestart = 1318,
    TrunkCountRule = 1319,
    TrunkCountAsk = 1320,
    TrunkMixRule = 1321,
    BackToStatic = 1322,
    PortOpenFailed = 1323,
    PortOpenCheck = 1324,

    // Faults on the line, damaged files, devices (1330-1399 are the texts
    // added after the first release; see docs/languages.md)
    SwitchStopped = 1330, // "%1": one of the three reasons below
    ReasonHungUp = 1331,
    ReasonReadError = 1332,
    ReasonSilent = 1333,
    ScreenNotFollowed = 1334,
    RestartLostSave = 1335,
    PageTableBad = 1336, // "%1": the file; the places follow
    PageTableHelp = 1337,
    LanguageFileBad = 1338, // "%1": the file; the places follow
    LanguageBuiltIn = 1339,
    LanguageKept = 1340,
    PortNotDevice = 1341,   // "%1": the device path
    PortInUse = 1342,       // "%1": the device path
    PortRowsGarbled = 1343, // also the VLAN windows' note under such rows
    TrunkScreenGarbled = 1370,
    // The user name read back after a misc save; a restore's kept speeds.
    MiscUserDiffers = 1371,  // "%1": the name the switch stored, "%2": the one typed
    MiscUserUnread = 1372,   // "%1": the name typed
    RestoreKeptSpeed = 1373, // "%1": the ports, comma-separated
    // A network line's failures (engine/SerialLink.cpp names 1374-1379 for
    // the open; 1377 ends a session the console server closed).
    NetRefused = 1374,    // "%1": the address
    NetUnknownHost = 1375, // "%1": the address
    NetTimedOut = 1376,   // "%1": the address
    NetServerClosed = 1377,
    NetBadAddress = 1378, // "%1": the address
    NetFailed = 1379,     // "%1": the address
    // A device only root may open gets a udev rule, not a group to join
    // (1450, then 1451 with "%1" the device's kernel name); an absent
    // COM1-COM4 in the port box (1452).
    PortRootOnly = 1450,
    PortUdevRule = 1451,
    PortNotPresent = 1452,
    PortNoPermission = 1380, // "%1": the device path, "%2": its group
    PortPermissionFix = 1381, // "%1": the group
    PortNewLogin = 1382,
    PortNotThere = 1383, // "%1": the device path
    MonitorCaption = 1384,
    MonitorCopy = 1385,
    AskLogoutDisconnect = 1386,
    AskDiscardChanges = 1387,

    // Settings files: backup and restore (docs/backup.md)
    SaveSettingsButton = 1344,
    RestoreSettingsButton = 1345,
    BusyReadGroupOf = 1346, // "%1" group number, "%2" group count
    SettingsCaption = 1347,
    SettingsFileSaved = 1348,       // "%1": the file
    SettingsFileNotSaved = 1349,    // "%1": the reason
    SettingsFileFilter = 1350,
    WalkSessionEnded = 1351,
    WalkPortsGarbled = 1352,
    SettingsFileUnwritable = 1353, // "%1": the file
    RestoreAsk = 1354,             // the changes follow, one per line
    RestoreNothing = 1355,
    RestoreCancelled = 1356,
    RestoreVerified = 1357,
    RestoreDiffers = 1358, // the differences follow, one per line
    RestoreBadFile = 1359, // "%1": the file, "%2": the first bad field
    WalkPortNamesWrong = 1360,  // "%1": the first row whose name is wrong
    BackupNotRestorable = 1361, // "%1": the restore reader's first bad field

    // Stopping work, progress, the window restore's answers, the console
    // monitor's tools (1430-1449)
    CancelButton = 1430,
    CancelRefusedSaving = 1431,
    BusyCancelling = 1432,
    ProgressPage = 1433, // "%1" page shown, "%2" pages
    ProgressStep = 1434, // "%1" step, "%2" steps
    RestoreAnswered = 1435, // the windows' messages follow, one per line
    MonitorTimestamps = 1436,
    MonitorSaveText = 1437,
    MonitorStartTranscript = 1438,
    MonitorStopTranscript = 1439,
    MonitorTextFilter = 1440,
    MonitorTranscriptFailed = 1441, // "%1": the reason
    // Captions that were English in every language
    PvidHeading = 1400,   // the VLAN support window's PVID column
    TrunkCellHint = 1401, // tool tip of a trunk member button
    TrunkBoxHint = 1402,  // tool tip of a trunk's check box
};

} // namespace txt
