#pragma once

#include "app/messages.h"
#include "image/imagemessages.h"

#include <QString>

#include <cstdint>

namespace tessel {

class ImageLoadEffects;
class LogSink;
class Prompts;
struct ImageState;
struct SharedState;

// Brings a firmware image into ImageState: the open-file operation, the HEX, binary and
// mass-production readers, trimming, the per-chip length check, and the reload that a
// flash write does when the image was not freshly opened. Messages go to the log and to
// the prompts in the language of SharedState; effects on the pages go to ImageLoadEffects.
class ImageLoader {
public:
    ImageLoader(SharedState& shared, ImageState& image, LogSink& log, Prompts& prompts,
                ImageLoadEffects& effects);

    // Filters of the open dialog: all the kinds together, each kind alone, all files
    // (upper-case extensions included), in the language of the moment.
    QString openFilter() const;
    // The text after the last "." of the file name of path; empty without a dot.
    static QString extensionOf(const QString& path);

    // The "打开文件" button: dialog, load, trim, length check.
    void openImage();
    // The same with the file already chosen (a dropped file, a recent one).
    void openImage(const QString& path);

    // Refills writeBuffer with 0xFF and reads the file by its extension. Returns the raw
    // image length: 0 after a reader error (already reported), or a length above every
    // chip's bound for a binary or mass-production file too long to read.
    uint32_t loadImageFile(const QString& path, const QString& extension);
    // imageLength for a raw length returned by the last loadImageFile.
    uint32_t trimmedLength(uint32_t rawLength) const;

    // Returns the image length, 0 after a format error (buffer all 0xFF), -1 when the file
    // cannot be opened. buffer holds 65536 bytes filled with 0xFF.
    int64_t parseIntelHex(const QString& path, uint8_t* buffer);
    uint32_t readBinaryFile(const QString& path);
    uint32_t readMassProductionFile(const QString& path);

    // Applies the bound of the selected chip to imageLength; on success logs the checksum,
    // renews the dump, sets imageChecksum and imageLoaded. Returns imageLoaded.
    bool checkImageSize(CheckKind kind = CheckKind::Open);

    // Before a flash write: when the image was not freshly opened and its file still
    // exists, read it again and check it. Returns true when it reloaded; imageLoaded then
    // tells the result of the check.
    bool reloadBeforeFlashWrite();

private:
    void refuse(Msg message);
    // Reads the whole file into writeBuffer. False when it cannot be opened (openError shown,
    // *length 0) or is too long to be read (*length its size).
    bool readIntoBuffer(const QString& path, Msg openError, uint32_t* length);

    SharedState& shared_;
    ImageState& image_;
    LogSink& log_;
    Prompts& prompts_;
    ImageLoadEffects& effects_;
    bool oversize_ = false;  // the last file read was too long to be read
};

}  // namespace tessel
