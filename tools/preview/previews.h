#pragma once

#include <QString>

#include <functional>
#include <map>

class QWidget;

namespace tessel::preview {

// A widget shown with known data, for looking at a control or page outside the program.
using Factory = std::function<QWidget*()>;

std::map<QString, Factory>& registry();

struct Registration {
    Registration(const char* name, Factory factory) {
        registry()[QString::fromUtf8(name)] = std::move(factory);
    }
};

}  // namespace tessel::preview
