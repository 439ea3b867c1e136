// Previews of the trim pages with the profile defaults (the profile points at a file that
// does not exist).
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "tools/preview/previews.h"

#include <QDir>
#include <QScrollArea>

namespace {

QWidget* trimPage(tessel::chip::ConfigPage kind, int chipIndex) {
    auto* holder = new QScrollArea;
    holder->setWidgetResizable(true);
    const tessel::Profile profile(QDir::temp().filePath(QStringLiteral("tessel-preview-none.ini")));
    auto model = tessel::chip::makeTrimPage(kind, profile);
    model->initialise(chipIndex);
    model->loadFromProfile(chipIndex);
    auto* view = new tessel::chip::ChipPageView(*model);
    model.release()->setParent(view);
    holder->setWidget(view);
    holder->resize(900, 700);
    return holder;
}

using tessel::chip::ConfigPage;
using tessel::preview::Registration;

Registration kr4121("chip/trim-kr4121", [] { return trimPage(ConfigPage::KR4121, 0); });
Registration kr4111("chip/trim-kr4111", [] { return trimPage(ConfigPage::KR4111, 1); });
Registration kr4112("chip/trim-kr4112", [] { return trimPage(ConfigPage::KR4112, 2); });
Registration kr4161("chip/trim-kr4113-kr4161", [] { return trimPage(ConfigPage::KR4113, 4); });
Registration kr4116("chip/trim-kr4116", [] { return trimPage(ConfigPage::KR4116, 7); });
Registration mcu01("chip/trim-mcu01-zu5712ra16", [] { return trimPage(ConfigPage::MCU01, 9); });
Registration mcu02("chip/trim-mcu02-kr5814", [] { return trimPage(ConfigPage::MCU02, 11); });
Registration mcu04("chip/trim-mcu04", [] { return trimPage(ConfigPage::MCU04, 13); });

}  // namespace
