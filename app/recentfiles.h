#pragma once

#include "app/profile.h"

#include <QRect>
#include <QSize>
#include <QStringList>

namespace tessel {

// The files the user opened last, newest first, at most kLimit, kept in the profile
// ("InitParameters", keys "RecentFile1" ... "RecentFile8"; an unused key is empty). Opening
// a file that is already listed moves it to the top.
class RecentFiles {
public:
    static constexpr int kLimit = 8;
    static constexpr const char* kSection = "InitParameters";

    explicit RecentFiles(Profile profile);

    const QStringList& files() const { return files_; }
    // Puts path first and writes the list to the profile.
    void add(const QString& path);
    // Drops path (a file that has gone) and writes the list.
    void remove(const QString& path);
    // Reads the list again from the profile.
    void load();

private:
    void save();

    Profile profile_;
    QStringList files_;
};

// Where the main window goes: the remembered frame (position and size) when it fits the
// screen's available area, moved and shrunk into that area when it does not; without a
// remembered size, the preferred size (shrunk to the area) centred in the area.
QRect placeWindow(const QRect& remembered, const QRect& available, const QSize& preferred);

}  // namespace tessel
