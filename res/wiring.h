#pragma once

#include <array>

namespace tessel::wiring {

// Size of every wiring diagram and of the title picture, in logical pixels.
constexpr int kWidth = 484;
constexpr int kHeight = 333;

// The programmer board's eight-pin target connector, pin 1 first.
constexpr std::array<const char*, 8> kConnectorPins = {"TXD", "GND", "RXD", "VCC",
                                                       "VPP", "PGC", "GND", "PGD"};

// What a diagram shows the wiring for.
enum class Purpose {
    Programming,              // 烧录: supply, programming voltage, clock and data
    SerialDebugging,          // 调试 over the chip's serial link (it reports a baud rate)
    IicDebugging,             // 调试 over IIC, clock and data on the programming lines
    ProgrammingAndDebugging,  // one wiring serves both
};

// One wire of a diagram: its label, the connector pin (1 to 8) it leaves from, and the chip's
// signal it ends at.
struct Wire {
    const char* label;
    int pin;
    const char* chipSignal;
};

// Which connector pin carries which signal of the chip, per purpose. This is the one place to
// correct against the board's schematic: every diagram is drawn from it. The chips' pin numbers
// and packages differ per model and are left to the data sheets (every diagram says so).
//   Programming: W0 VCC, W1 GND, W2 VPP, W3 PGC, W4 PGD.
//   Serial debugging (KR4121, KR4111, KR4112): D0 VCC, D1 GND, D2 TXD, D3 RXD.
//   IIC debugging (every other chip): D0 VCC, D1 GND, D2 PGC as SCL, D3 PGD as SDA.
constexpr std::array<Wire, 5> kProgrammingWires = {{
    {"W0", 4, "VCC"},
    {"W1", 7, "GND"},
    {"W2", 5, "VPP"},
    {"W3", 6, "PGC"},
    {"W4", 8, "PGD"},
}};
constexpr std::array<Wire, 4> kSerialDebugWires = {{
    {"D0", 4, "VCC"},
    {"D1", 2, "GND"},
    {"D2", 1, "TXD"},
    {"D3", 3, "RXD"},
}};
constexpr std::array<Wire, 4> kIicDebugWires = {{
    {"D0", 4, "VCC"},
    {"D1", 7, "GND"},
    {"D2", 6, "SCL (PGC)"},
    {"D3", 8, "SDA (PGD)"},
}};

// One wiring diagram: its resource number, the chip group it is drawn for and its purpose.
struct Diagram {
    int resourceId;
    const char* chipGroup;
    Purpose purpose;
};

// clang-format off
constexpr std::array<Diagram, 17> kDiagrams = {{
    {150, "KR4121",            Purpose::Programming},
    {157, "KR4121",            Purpose::SerialDebugging},
    {152, "KR4111",            Purpose::Programming},
    {151, "KR4111",            Purpose::SerialDebugging},
    {154, "KR4112",            Purpose::Programming},
    {153, "KR4112",            Purpose::SerialDebugging},
    {164, "KR4152",            Purpose::Programming},
    {165, "KR4152",            Purpose::IicDebugging},
    {156, "KR4113/4161/4115W", Purpose::Programming},
    {155, "KR4113/4161/4115W", Purpose::IicDebugging},
    {167, "KR4115/56/17",      Purpose::Programming},
    {166, "KR4115/56/17",      Purpose::IicDebugging},
    {179, "KR4116",            Purpose::Programming},
    {178, "KR4116",            Purpose::IicDebugging},
    {192, "KR5815",            Purpose::Programming},
    {190, "KR5815",            Purpose::IicDebugging},
    {194, "KR5812/5712",       Purpose::ProgrammingAndDebugging},
}};
// clang-format on

// The diagram with that resource number, or nullptr.
inline const Diagram* findDiagram(int resourceId) {
    for (const Diagram& d : kDiagrams) {
        if (d.resourceId == resourceId)
            return &d;
    }
    return nullptr;
}

}  // namespace tessel::wiring
