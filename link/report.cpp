#include "link/report.h"

namespace tessel {

QString reportToHex(const Report& report) {
    static const char digits[] = "0123456789abcdef";
    QString s;
    s.reserve(kReportSize * 3);
    for (int i = 0; i < kReportSize; ++i) {
        if (i)
            s += QLatin1Char(' ');
        s += QLatin1Char(digits[report[i] >> 4]);
        s += QLatin1Char(digits[report[i] & 0x0F]);
    }
    return s;
}

}  // namespace tessel
