#include "app/qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tessel {

QtTranslations::QtTranslations(QObject* parent) : QObject(parent), chinese_(new QTranslator(this)) {
    loaded_ = chinese_->load(QStringLiteral("qtbase_zh_CN"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

QtTranslations::~QtTranslations() {
    if (installed_)
        QCoreApplication::removeTranslator(chinese_);
}

bool QtTranslations::apply(int language) {
    if (language == 1) {
        if (installed_)
            QCoreApplication::removeTranslator(chinese_);
        installed_ = false;
        return true;
    }
    if (!installed_ && loaded_)
        installed_ = QCoreApplication::installTranslator(chinese_);
    return installed_;
}

}  // namespace tessel
