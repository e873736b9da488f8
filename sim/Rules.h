#pragma once
// The rules the switch itself enforces when a screen is saved, shared by the
// console screens and the state-file loader (which refuses any state the
// switch could never have stored).
#include "sim/SwitchState.h"

#include <string>

namespace sim {

// Trunk save: "" when the table is acceptable, else the refusal reason as the
// console shows it ("Trunk 2: 2 to 4 members needed.").
std::string CheckTrunks(const std::array<Trunk, kTrunkCount>& trunks);

// After a trunk save, as the switch console does: every member of a static
// trunk takes the port settings of its lowest-numbered member (rates,
// enable, negotiation, speed, flow control). A speed the member's own type
// does not offer (two different module types in one trunk) is left as it
// was; 100FX + 1000TX stores port 25's " 100 Half" on port 26.
void ApplyTrunkSettings(SwitchState& state);

// The switch keeps no speed of its own for a trunk. Between trunk saves the
// speed shown on its port-screen row is that of its lowest member whose
// type offers more than one speed (a member that takes whatever speed the
// row is set to), else the lowest member's own. An empty trunk has no
// speed ("").
std::string TrunkSpeed(const SwitchState& state, const Trunk& trunk);
// The speeds a port-screen row offers: a trunk of the module ports offers
// all six whatever its members' types (each member stores the chosen speed
// only if its type offers it); any other row those of its type.
const std::vector<std::string>& RowSpeedChoices(const std::string& type, bool moduleTrunk);

// Port save: rates above the limit are stored as the limit, module ports
// have no rate control.
int StoredRate(int port, int rate);
// VLAN support save: a PVID outside 1-255 is stored as 1.
int StoredPvid(int pvid);

// VLAN group save against `table` (the table of the current mode). `id` is
// -1 when no number was entered; `originalId` is the id of the group being
// edited, 0 for a new group. "" when accepted, else the reason
// ("name missing", "name reserved", "VLAN ID out of range",
// "VLAN ID already in use", "table full").
std::string CheckGroup(const std::vector<VlanGroup>& table, bool dot1q, const std::string& name,
                       int id, int originalId);
int MaxGroupId(bool dot1q);
// Stores (or replaces) a group, keeping the table in ascending id order.
void StoreGroup(std::vector<VlanGroup>& table, const VlanGroup& group, int originalId);

// Delete rule: in 802.1Q mode a VID that is some port's PVID stays.
bool CanDeleteGroup(const SwitchState& state, int id);
// Saving an existing group under a new ID leaves its old ID behind, which
// is refused on the same terms as deleting it: "" or the refusal reason.
std::string CheckGroupIdChange(const SwitchState& state, int id, int originalId);

// Misc save: password fields are checked when any of them is not empty.
bool CheckMisc(const SwitchState& state, const std::string& user, const std::string& oldPassword,
               const std::string& newPassword, const std::string& confirm);
// Account texts: 1-10 characters 0x21-0x7E.
bool ValidAccountText(const std::string& text);
// Group names: 1-6 characters 0x20-0x7E, not all blanks.
bool ValidGroupNameChars(const std::string& name);

// Checks a whole state as the loader needs it: every value one the switch
// could have stored. "" when valid, else "<field>: <problem>".
std::string ValidateState(const SwitchState& state);

} // namespace sim
