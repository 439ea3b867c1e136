#pragma once

#include <QObject>

class QTranslator;

namespace tessel {

// Qt's own texts (the buttons of message boxes, the file dialogs) in the language of the
// window: Debian's qt6-translations-l10n carries them as qtbase_zh_CN.qm. English needs
// none. Without the file the standard dialogs stay in English.
class QtTranslations : public QObject {
    Q_OBJECT
public:
    explicit QtTranslations(QObject* parent = nullptr);
    ~QtTranslations() override;

    // 0 Chinese, 1 English. Returns true when Qt's texts now follow that language.
    bool apply(int language);
    bool chineseInstalled() const { return installed_; }

private:
    QTranslator* chinese_ = nullptr;
    bool loaded_ = false;
    bool installed_ = false;
};

}  // namespace tessel
