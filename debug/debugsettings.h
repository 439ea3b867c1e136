#pragma once

#include "app/sharedstate.h"

namespace tessel {

class Profile;

// The debug page's own settings, section "BebugParameters" of the profile.
struct DebugPageSettings {
    int baselineMin = 0;     // "m_blmin"
    int baselineMax = 8192;  // "m_blmax"
    int rawMin = 0;          // "m_rdmin"
    int rawMax = 8192;       // "m_rdmax"
    int differMin = -1000;   // "m_dmin"
    int differMax = 1000;    // "m_dmax"
    int vcc = 1;             // "m_vcc": 0 internal 3 V, 1 internal 5 V, 2 external
    int dataType = 1;        // "m_data_type": the table shows 0 Baseline, 1 Rawdata, 2 Differ

    void load(const Profile& profile);
    // Writes the eight keys in the order above.
    void save(Profile& profile) const;
};

// The touch parameters in section "CTKParameters": read at start-up, written by "修改".
// Missing keys give 0.
void loadTouchParameters(const Profile& profile, DebugParameters* params);
// Writes every parameter in the board's documented order, then the 27 thresholds.
void saveTouchParameters(Profile& profile, const DebugParameters& params);

// The combo positions of the parameter group: value to position (-1 when the value is none
// of the items) and back.
namespace debugitems {
int packagePosition(uint8_t package);  // "SOP8" 3, "SOP16" 1, "SOP28" 2
uint8_t packageValue(int position);
// The other combos: the value is the item's position, within 0 to count - 1.
int positionOf(int value, int count);
}  // namespace debugitems

}  // namespace tessel
