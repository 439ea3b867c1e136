#include "app/boardchoice.h"

namespace tessel {

QList<HidDeviceInfo> BoardChoice::boards(const QString& gone) {
    QList<HidDeviceInfo> out;
    for (const HidDeviceInfo& info : bus_.enumerate()) {
        if (info.vendorId == kBoardVendorId && info.productId == kBoardProductId &&
            info.releaseNumber == kBoardReleaseNumber && info.path != gone) {
            out << info;
        }
    }
    return out;
}

bool BoardChoice::isChosen(const HidDeviceInfo& info) const {
    return !chosen_.isEmpty() && keyOf(info).compare(chosen_, Qt::CaseInsensitive) == 0;
}

QString BoardChoice::keyOf(const HidDeviceInfo& info) {
    return info.serialNumber.isEmpty() ? info.path : info.serialNumber;
}

QString BoardChoice::labelOf(const HidDeviceInfo& info) {
    if (info.serialNumber.isEmpty())
        return info.path;
    return QStringLiteral("%1 (%2)").arg(info.serialNumber, info.path);
}

QList<HidDeviceInfo> BoardChoice::enumerate() {
    const QList<HidDeviceInfo> all = bus_.enumerate();
    for (const HidDeviceInfo& info : all) {
        if (info.vendorId == kBoardVendorId && info.productId == kBoardProductId &&
            info.releaseNumber == kBoardReleaseNumber && isChosen(info)) {
            return {info};
        }
    }
    return all;
}

}  // namespace tessel
