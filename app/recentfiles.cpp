#include "app/recentfiles.h"

#include <QFileInfo>

#include <algorithm>

namespace tessel {
namespace {

QString keyOf(int index) {
    return QStringLiteral("RecentFile%1").arg(index + 1);
}

QString section() {
    return QString::fromLatin1(RecentFiles::kSection);
}

}  // namespace

RecentFiles::RecentFiles(Profile profile) : profile_(std::move(profile)) {
    load();
}

void RecentFiles::load() {
    files_.clear();
    for (int i = 0; i < kLimit; ++i) {
        const QString path = profile_.readString(section(), keyOf(i));
        if (!path.isEmpty() && !files_.contains(path))
            files_ << path;
    }
}

void RecentFiles::add(const QString& path) {
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files_.removeAll(absolute);
    files_.prepend(absolute);
    while (files_.size() > kLimit)
        files_.removeLast();
    save();
}

void RecentFiles::remove(const QString& path) {
    if (files_.removeAll(path) > 0)
        save();
}

void RecentFiles::save() {
    for (int i = 0; i < kLimit; ++i) {
        const QString path = files_.value(i);
        // A name the profile cannot keep on one line leaves its place empty.
        if (!profile_.writeString(section(), keyOf(i), path))
            profile_.writeString(section(), keyOf(i), QString());
    }
}

QRect placeWindow(const QRect& remembered, const QRect& available, const QSize& preferred) {
    if (available.isEmpty())
        return remembered.isValid() ? remembered : QRect(QPoint(0, 0), preferred);
    if (!remembered.isValid()) {
        const QSize size = preferred.boundedTo(available.size());
        QRect r(QPoint(0, 0), size);
        r.moveCenter(available.center());
        return r;
    }
    QRect r(remembered.topLeft(), remembered.size().boundedTo(available.size()));
    // Moved back inside the area, right and bottom edges first.
    r.moveLeft(std::min(r.left(), available.right() - r.width() + 1));
    r.moveTop(std::min(r.top(), available.bottom() - r.height() + 1));
    r.moveLeft(std::max(r.left(), available.left()));
    r.moveTop(std::max(r.top(), available.top()));
    return r;
}

}  // namespace tessel
