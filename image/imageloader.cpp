#include "image/imageloader.h"

#include "app/chipcatalogue.h"
#include "app/prompts.h"
#include "app/regularfile.h"
#include "app/sharedstate.h"
#include "image/imageformat.h"
#include "image/imageloadeffects.h"
#include "image/imagestate.h"
#include "image/massproduction.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tessel {

namespace {

uint32_t clampedSize(qint64 size) {
    return uint32_t(std::min<qint64>(size, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

ImageLoader::ImageLoader(SharedState& shared, ImageState& image, LogSink& log, Prompts& prompts,
                         ImageLoadEffects& effects)
    : shared_(shared), image_(image), log_(log), prompts_(prompts), effects_(effects) {}

QString ImageLoader::openFilter() const {
    return shared_.text(Msg::ImageFilters);
}

QString ImageLoader::extensionOf(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

void ImageLoader::openImage() {
    openImage(prompts_.openFileName(openFilter()));
}

void ImageLoader::openImage(const QString& path) {
    effects_.openStarted();
    if (!path.isEmpty()) {
        ++image_.opens;
        image_.lastImagePath = path;
        image_.lastImageExtension = extensionOf(path).toLower();
        image_.freshlyOpened = true;
        const uint32_t raw = loadImageFile(image_.lastImagePath, image_.lastImageExtension);
        image_.imageLength = trimmedLength(raw);
        checkImageSize(CheckKind::Open);
    }
    effects_.openFinished();
}

uint32_t ImageLoader::loadImageFile(const QString& path, const QString& extension) {
    oversize_ = false;
    std::fill(image_.writeBuffer.begin(), image_.writeBuffer.end(), uint8_t(0xFF));
    const QString ext = extension.toLower();
    if (ext == QLatin1String("hex")) {
        const int64_t length = parseIntelHex(path, image_.writeBuffer.data());
        effects_.hexLoaded();
        return length < 0 ? 0 : uint32_t(length);
    }
    if (ext == QLatin1String("bin"))
        return readBinaryFile(path);
    if (ext == QLatin1String("tk") || ext == QLatin1String("ntk") || ext == QLatin1String("mtk"))
        return readMassProductionFile(path);
    return 0;
}

uint32_t ImageLoader::trimmedLength(uint32_t rawLength) const {
    // A file too long to be read keeps its length, which every chip refuses.
    if (oversize_ || rawLength > kFlashBufferSize)
        return rawLength;
    return trimErasedTail(image_.writeBuffer.data(), kFlashBufferSize, rawLength);
}

int64_t ImageLoader::parseIntelHex(const QString& path, uint8_t* buffer) {
    const FileReadResult file = readRegularFile(path, kLargestHexText);
    if (file.status == FileReadStatus::OpenError) {
        prompts_.showWarning(shared_.text(Msg::ImageOpenError));
        return -1;
    }
    if (file.status == FileReadStatus::TooLarge) {
        // Far more text than any image of 64 KiB needs.
        prompts_.showWarning(shared_.text(Msg::ImageOver64K));
        return 0;
    }
    const HexParseResult result = parseIntelHexText(crlfToLf(file.data), buffer);
    switch (result.status) {
        case HexStatus::Ok:
            return result.length;
        case HexStatus::NotHex:
            prompts_.showWarning(shared_.text(Msg::ImageNotHex));
            break;
        case HexStatus::Unsupported64K:
            prompts_.showWarning(shared_.text(Msg::ImageOver64K));
            break;
        case HexStatus::ChecksumError:
            prompts_.showWarning(shared_.text(Msg::ImageHexChecksum));
            break;
    }
    return 0;
}

bool ImageLoader::readIntoBuffer(const QString& path, Msg openError, uint32_t* length) {
    *length = 0;
    const FileReadResult file = readRegularFile(path, kLargestReadableFile);
    if (file.status == FileReadStatus::OpenError) {
        prompts_.showWarning(shared_.text(openError));
        return false;
    }
    if (file.status == FileReadStatus::TooLarge) {
        oversize_ = true;
        *length = clampedSize(file.size);  // no chip accepts it: the size message follows
        return false;
    }
    const QByteArray& data = file.data;
    *length = std::min<uint32_t>(uint32_t(data.size()), kLargestReadableFile);
    std::memcpy(image_.writeBuffer.data(), data.constData(), *length);
    return true;
}

uint32_t ImageLoader::readBinaryFile(const QString& path) {
    uint32_t n = 0;
    readIntoBuffer(path, Msg::BinOpenError, &n);
    return n;
}

void ImageLoader::refuse(Msg message) {
    prompts_.showWarning(shared_.text(message));
    std::fill(image_.writeBuffer.begin(), image_.writeBuffer.end(), uint8_t(0xFF));
}

uint32_t ImageLoader::readMassProductionFile(const QString& path) {
    uint32_t n = 0;
    if (!readIntoBuffer(path, Msg::TkOpenError, &n))
        return n;
    uint8_t* buffer = image_.writeBuffer.data();
    log_.appendLog(shared_.text(Msg::TkOpened));

    const TkContents tk = decodeMassProductionFile(buffer, n);
    if (tk.status == TkStatus::NotTk) {
        refuse(Msg::TkNotTk);
        return 0;
    }
    if (tk.status == TkStatus::ContentError) {
        refuse(Msg::TkContentError);
        return 0;
    }
    const int t = tk.chip;
    const bool modes = chipInfo(t).massProductionModes;
    log_.appendLog(massProductionModelLine(t));
    if (!carriesCfg1(t) && !modes) {
        log_.appendLog(shared_.text(Msg::TkCfg0, tk.cfg0));
    }

    shared_.chipIndex = uint32_t(t);
    effects_.massProductionChipSelected(t);
    if (modes)
        image_.fileModeSelection = modeSelectionFromByte(tk.modeByte);
    if (massProductionAppliesConfig(t))
        effects_.massProductionConfigApplied(t, tk.cfg0);
    effects_.chipComboChangeRequested(t);

    if (eepromInFlashBuffer(t)) {
        // Keep the image and the EEPROM image; pad, EEPROM copy and trailer become erased.
        std::vector<uint8_t> eeprom(buffer + tk.eepromOffset,
                                    buffer + tk.eepromOffset + kFlashEepromImageSize);
        std::fill(buffer + tk.imageLength, buffer + n, uint8_t(0xFF));
        std::copy(eeprom.begin(), eeprom.end(), buffer + kEepromOffsetInFlashBuffer);
        effects_.eepromImageLoaded();
        return tk.imageLength;
    }
    std::fill(buffer + tk.imageLength, buffer + n, uint8_t(0xFF));
    return tk.imageLength;
}

bool ImageLoader::checkImageSize(CheckKind kind) {
    const int chip = int(shared_.chipIndex.load());
    const uint32_t bound = chipInfo(chip).maxImageLength;
    const uint32_t length = image_.imageLength;
    // The reload of the KR41xx chips checks the upper bound only.
    const bool lowerOk =
        length >= 1 || (kind == CheckKind::Reload && chipInfo(chip).family == ChipFamily::KR41xx);
    if (lowerOk && length <= bound) {
        const uint32_t checksum = computeChecksum(image_.writeBuffer.data(), length);
        log_.appendLog(checksumLogLine(chip, checksum, kind));
        image_.writeBufferDump = formatHexDump(image_.writeBuffer.data(), length);
        image_.imageChecksum = checksum;
        image_.imageLoaded = true;
        effects_.writeBufferDumpChanged(image_.writeBufferDump);
        return true;
    }
    prompts_.showWarning(sizeMessage(chip, shared_.language, kind));
    image_.imageLoaded = false;
    image_.imageChecksum = 0;
    return false;
}

bool ImageLoader::reloadBeforeFlashWrite() {
    if (image_.freshlyOpened || image_.lastImagePath.isEmpty() ||
        !QFileInfo::exists(image_.lastImagePath)) {
        return false;
    }
    const uint32_t raw = loadImageFile(image_.lastImagePath, image_.lastImageExtension);
    image_.imageLength = trimmedLength(raw);
    checkImageSize(CheckKind::Reload);
    return true;
}

}  // namespace tessel
