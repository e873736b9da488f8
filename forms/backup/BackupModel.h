#pragma once
// The switch's settings as one document, without widgets: taken from the
// configuration windows' shared tables after a walk through their screens,
// written to and read from a JSON file, checked field by field, and
// compared with another document (a restore's summary and its read-back).
#include <QString>

#include <map>
#include <string>
#include <vector>

constexpr int kBackupFormatVersion = 1;

struct BackupPort {
    std::string name; // as the port screen prints it: PORT1, TRK2, MOD_1
    std::string type; // 100TX, 1000TX, 100FX, 1000FX, NC
    int inRate = 0;
    int outRate = 0;
    bool enabled = true;
    std::string autoNego; // the console's choice without its blanks: AUTO
    std::string speed;    // "100 Full", "NC"
    bool flowFull = false;
    bool flowHalf = false;
    bool operator==(const BackupPort&) const = default;
};

struct BackupTrunk {
    bool isStatic = false;
    std::vector<int> members; // port numbers 1..26
    bool operator==(const BackupTrunk&) const = default;
};

struct BackupGroup {
    int id = 0;
    std::string name;
    // Member choice word (lower case: "member", "untagged", "tagged") to the
    // console names of the rows holding it; rows not listed are "no".
    std::map<std::string, std::vector<std::string>> members;
    bool operator==(const BackupGroup&) const = default;
};

struct BackupDocument {
    int formatVersion = kBackupFormatVersion;
    std::string firmware;
    std::string time; // ISO 8601, UTC
    std::vector<BackupPort> ports;
    BackupTrunk trunks[7];
    int vlanMode = 0;                 // kModeDisabled, kModePortBased, kModeDot1q
    std::map<std::string, int> pvids; // 802.1Q only: console port name to PVID
    std::vector<BackupGroup> groups;  // the current mode's table, by ascending id
    bool retryForever = false;
    bool autoAging = false;
    std::string macHash; // "CRC-Hash", "DirectMap"
    std::string user;
    bool operator==(const BackupDocument&) const = default;
};

// Port number 1..26 as the console names it (PORT1..PORT24, MOD_1, MOD_2);
// 0 for a name that is none of them.
std::string ConsolePortName(int port);
int ConsolePortNumber(const std::string& name);
// A table's row label in the console's short form: TRUNK3 -> TRK3,
// MODULE1 -> MOD_1.
std::string ShortRowName(const std::string& name);
// Whether a port of this type (the console's type text) runs this speed
// ("100 Full", as a file writes it).
bool SpeedRunsOn(const std::string& type, const std::string& speed);
// Mode word of the file ("disabled", "port-based", "802.1Q") and back (-1).
const char* VlanModeWord(int mode);
int VlanModeOfWord(const std::string& word);

// The static trunk (1..7) whose row on the port screen stands for the port
// (1..26), 0 when the port has a row of its own.
int RowTrunkOfPort(const BackupDocument& doc, int port);
// The port screen's row names for the document's trunks, in screen order:
// ports 1..26, the members of a static trunk replaced by one TRKn row where
// its lowest member would be.
std::vector<std::string> PortRowNames(const BackupDocument& doc);
// The first port row whose name is not the console's for the document's
// trunks ("row 4: PORT6 in place of PORT4"), "" when every row is.
std::string MisnamedPortRow(const BackupDocument& doc);

// From the shared tables as the windows last read them.
void CapturePorts(BackupDocument& doc);
void CaptureTrunks(BackupDocument& doc);
void CaptureVlanSupport(BackupDocument& doc);
// The group screen just read (MemberTable and its header texts).
BackupGroup CaptureGroup();
void CaptureMisc(BackupDocument& doc);

QByteArray BackupToJson(const BackupDocument& doc);
// Reads and checks a whole file. On failure returns false with `error`
// naming the first bad field ("ports[3].inRate: must be 0 to 1000").
bool BackupFromJson(const QByteArray& json, BackupDocument& doc, std::string& error);
// The rules a document must keep beyond its field types (trunk rules,
// ranges, names, member choices of the mode); "" when it keeps them.
std::string CheckBackupRules(const BackupDocument& doc);
// A backup's document written out and read back by the restore's reader:
// "" when the reader accepts it and reads the same document, else why not
// (the reader's first bad field).
std::string CheckBackupReadsBack(const BackupDocument& doc);

// What differs from `now` to `wanted`, one line per setting, in the order a
// restore writes them; empty when equal.
std::vector<std::string> DiffBackups(const BackupDocument& now, const BackupDocument& wanted);
