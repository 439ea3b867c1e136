#pragma once

#include "app/prompts.h"
#include "app/sharedstate.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>

class QMenu;
class QPoint;
class QPushButton;
class QWidget;

namespace tessel {

struct ImageState;

// A buffer view's bytes in a file: Intel HEX when the name ends in ".hex" (any case),
// raw binary otherwise. False when the file cannot be written.
bool writeBufferFile(const QString& path, const uint8_t* bytes, uint32_t length);

// An EEPROM image read from a binary or Intel HEX file for a chip whose EEPROM holds
// capacity bytes. TooLarge carries the file's image size (bytes of a binary file, highest
// address + 1 of a HEX file); nothing is loaded then.
struct EepromFileRead {
    enum class Status { Ok, Unreadable, TooLarge };
    Status status = Status::Unreadable;
    QByteArray bytes;  // Ok: the image, at most capacity bytes (0xFF where a HEX file has none)
    uint32_t size = 0;
};
EepromFileRead readEepromImageFile(const QString& path, uint32_t capacity);

// Saving the "读文件缓冲" and "读EEPROM" views and loading the "写EEPROM" image, from the
// views' context menus and the two buttons under the views. The programming page owns it and
// tells it which view is shown and how much the last flash read brought.
class BufferFiles : public QObject {
    Q_OBJECT
public:
    enum class View { Other, ReadFlash, ReadEeprom, WriteEeprom };

    BufferFiles(SharedState& state, ImageState& image, Prompts& prompts, LogSink& log,
                QObject* parent = nullptr);

    QPushButton* saveButton() const { return save_; }
    QPushButton* loadButton() const { return load_; }
    // The views' tab changed: the buttons that apply to it are shown.
    void setView(View view);
    void setReadLength(uint32_t length) { readLength_ = length; }
    void setEnabled(bool enabled);
    void retitle();

    // The save entries for a view's context menu (ReadFlash or ReadEeprom).
    void addSaveActions(QMenu* menu, View view);
    // Asks for a file and saves the view as HEX (hex true) or binary. False when nothing
    // was written (cancelled, an empty buffer, a write error; the last two are reported).
    bool save(View view, bool hex);
    // Asks for a file and loads it as the EEPROM image to write.
    bool loadEepromImage();
    bool loadEepromImageFrom(const QString& path);

Q_SIGNALS:
    // The EEPROM image to write changed: the write grid shows it again.
    void eepromImageLoaded();

private:
    SharedState& state_;
    ImageState& image_;
    Prompts& prompts_;
    LogSink& log_;
    QPushButton* save_;
    QPushButton* load_;
    View view_ = View::Other;
    uint32_t readLength_ = 0;
};

}  // namespace tessel
