#pragma once

#include <QWidget>

#include <vector>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tessel::chip {

class PageModel;

// The widgets of a chip page, generated from the page's tables: a frame, one group per
// word with its controls and its byte label, page-level controls and the save button. It
// mirrors the model after every change and forwards the user's actions to it; it holds no
// byte arithmetic. Controls are named after their captions (objectName), the byte labels
// "label_CFG<n>" and the groups "group_CFG<n>".
class ChipPageView : public QWidget {
    Q_OBJECT
public:
    explicit ChipPageView(PageModel& model, QWidget* parent = nullptr);

    PageModel& model() { return model_; }
    void refresh();

private:
    QWidget* makeControl(int f);
    void placeGroups();

    PageModel& model_;
    QGroupBox* frame_ = nullptr;
    QGridLayout* grid_ = nullptr;
    int columns_ = 2;
    std::vector<bool> placed_;  // the visibility the groups were placed for
    std::vector<QGroupBox*> groups_;
    std::vector<QLabel*> wordLabels_;
    std::vector<QWidget*> controls_;
    std::vector<QLabel*> captions_;  // caption label of a list or entry field, else null
    std::vector<QLabel*> hints_;
    QPushButton* save_ = nullptr;
};

}  // namespace tessel::chip
