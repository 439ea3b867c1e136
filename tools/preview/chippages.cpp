// Previews of the configuration pages, each in its full view with the profile defaults
// (the profile points at a file that does not exist).
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "tools/preview/previews.h"

#include <QDir>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

QWidget* configPage(tessel::chip::ConfigPage kind, int chipIndex) {
    auto* holder = new QScrollArea;
    holder->setWidgetResizable(true);
    const tessel::Profile profile(QDir::temp().filePath(QStringLiteral("tessel-preview-none.ini")));
    auto model = tessel::chip::makeConfigPage(kind, profile);
    model->initialise(chipIndex);
    model->setFullView(true);
    auto* view = new tessel::chip::ChipPageView(*model);
    model.release()->setParent(view);
    holder->setWidget(view);
    holder->resize(900, 700);
    return holder;
}

using tessel::chip::ConfigPage;
using tessel::preview::Registration;

Registration kr4121("chip/config-kr4121", [] { return configPage(ConfigPage::KR4121, 0); });
Registration kr4111("chip/config-kr4111", [] { return configPage(ConfigPage::KR4111, 1); });
Registration kr4112("chip/config-kr4112", [] { return configPage(ConfigPage::KR4112, 2); });
Registration kr4161("chip/config-kr4113-kr4161", [] { return configPage(ConfigPage::KR4113, 4); });
Registration kr4116("chip/config-kr4116", [] { return configPage(ConfigPage::KR4116, 7); });
Registration mcu01("chip/config-mcu01-ro5812da", [] { return configPage(ConfigPage::MCU01, 8); });
Registration mcu02("chip/config-mcu02-kr5814", [] { return configPage(ConfigPage::MCU02, 11); });
Registration mcu04("chip/config-mcu04", [] { return configPage(ConfigPage::MCU04, 13); });

}  // namespace
