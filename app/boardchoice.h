#pragma once

#include "link/hiddevice.h"

#include <QList>
#include <QObject>
#include <QString>

namespace tessel {

// The window's bus with the user's choice of board applied. The transport opens the first
// board its bus lists; through this bus it sees only the chosen board while that board is
// connected, and every device otherwise (the first board found, as with one board). A board
// is known by its serial number, or by its path when it has none. A QObject only so that it
// can belong to the object whose session uses it (it must outlive that session).
class BoardChoice : public QObject, public HidBackend {
public:
    explicit BoardChoice(HidBackend& bus, QObject* parent = nullptr) : QObject(parent), bus_(bus) {}

    // The programmer boards the program can use (the board's vendor, product and release
    // numbers), in enumeration order; `gone` is left out (a board whose removal is being
    // announced while the bus may still list it).
    QList<HidDeviceInfo> boards(const QString& gone = QString());

    // The chosen board's key (serial number or path); empty: none chosen.
    const QString& chosen() const { return chosen_; }
    void choose(const QString& key) { chosen_ = key; }
    // True when info is the chosen board.
    bool isChosen(const HidDeviceInfo& info) const;

    static QString keyOf(const HidDeviceInfo& info);
    // "SERIAL (PATH)", or the path of a board without a serial number.
    static QString labelOf(const HidDeviceInfo& info);

    // HidBackend
    QList<HidDeviceInfo> enumerate() override;
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override {
        return bus_.open(path, result);
    }
    qint64 holderOf(const QString& path) override { return bus_.holderOf(path); }
    HotplugWatcher* createWatcher(QObject* parent) override { return bus_.createWatcher(parent); }

private:
    HidBackend& bus_;
    QString chosen_;
};

}  // namespace tessel
