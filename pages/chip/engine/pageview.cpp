#include "pages/chip/engine/pageview.h"

#include "pages/chip/engine/pagemodel.h"
#include "pages/chip/engine/wheelguard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tessel::chip {

ChipPageView::ChipPageView(PageModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    const PageDesc& d = model_.desc();
    const int fields = model_.fieldCount();
    controls_.assign(fields, nullptr);
    captions_.assign(fields, nullptr);
    hints_.assign(fields, nullptr);

    auto* outer = new QVBoxLayout(this);
    frame_ = new QGroupBox(this);
    outer->addWidget(frame_);
    auto* frameLayout = new QVBoxLayout(frame_);
    grid_ = new QGridLayout;
    frameLayout->addLayout(grid_);
    // Three columns at most, so that the largest page fits beside the messages.
    columns_ = d.words.size() > 4 ? 3 : 2;

    for (int p = 0; p < d.words.size(); ++p) {
        const WordDesc& w = d.words[p];
        auto* group = new QGroupBox(w.group, frame_);
        group->setObjectName(QStringLiteral("group_CFG%1").arg(w.number));
        auto* form = new QFormLayout(group);
        // A word with a write flag carries the flag's check box as its title.
        for (int f = 0; f < fields; ++f) {
            const FieldDesc& fd = model_.field(f);
            if (fd.word == w.number && (fd.flags & kWriteFlag)) {
                group->setTitle(QString());
                form->addRow(makeControl(f));
            }
        }
        for (int f = 0; f < fields; ++f) {
            const FieldDesc& fd = model_.field(f);
            if (fd.word != w.number || (fd.flags & (kIsLock | kWriteFlag)))
                continue;
            QWidget* control = makeControl(f);
            if (fd.kind == ControlKind::Check) {
                form->addRow(control);
            } else {
                captions_[f] = new QLabel(group);
                if (fd.hint.isEmpty()) {
                    form->addRow(captions_[f], control);
                } else {
                    auto* row = new QHBoxLayout;
                    row->addWidget(control);
                    hints_[f] = new QLabel(fd.hint, group);
                    row->addWidget(hints_[f]);
                    form->addRow(captions_[f], row);
                }
            }
        }
        if (!w.note.isEmpty())
            form->addRow(new QLabel(w.note, group));
        auto* label = new QLabel(group);
        label->setObjectName(QStringLiteral("label_CFG%1").arg(w.number));
        form->addRow(label);
        groups_.push_back(group);
        wordLabels_.push_back(label);
    }

    auto* bottom = new QHBoxLayout;
    for (int f = 0; f < fields; ++f) {
        if (model_.field(f).word < 0 || (model_.field(f).flags & kIsLock)) {
            bottom->addWidget(makeControl(f));
        }
    }
    bottom->addStretch();
    if (d.saveOffered) {
        save_ = new QPushButton(d.saveCaption, frame_);
        save_->setObjectName(QStringLiteral("save"));
        connect(save_, &QPushButton::clicked, this, [this] { model_.saveToProfile(); });
        bottom->addWidget(save_);
    }
    frameLayout->addLayout(bottom);
    frameLayout->addStretch();

    connect(&model_, &PageModel::changed, this, &ChipPageView::refresh);
    refresh();
}

QWidget* ChipPageView::makeControl(int f) {
    const FieldDesc& fd = model_.field(f);
    QWidget* w = nullptr;
    switch (fd.kind) {
        case ControlKind::Check: {
            auto* box = new QCheckBox(frame_);
            connect(box, &QCheckBox::clicked, this,
                    [this, f](bool on) { model_.choose(f, on ? 1 : 0); });
            w = box;
            break;
        }
        case ControlKind::HexEdit: {
            auto* edit = new QLineEdit(frame_);
            edit->setFixedWidth(60);  // a hint beside it must not squeeze it
            connect(edit, &QLineEdit::textChanged, this,
                    [this, f](const QString& text) { model_.setEditText(f, text); });
            w = edit;
            break;
        }
        case ControlKind::List:
        case ControlKind::Info: {
            auto* combo = new QComboBox(frame_);
            combo->setMinimumContentsLength(8);
            // The wheel scrolls the page; it chooses only in a list the user clicked into.
            WheelGuard::install(combo);
            connect(combo, &QComboBox::activated, this,
                    [this, f](int index) { model_.choose(f, index); });
            w = combo;
            break;
        }
    }
    w->setObjectName(fd.caption);
    controls_[f] = w;
    return w;
}

// The visible groups fill the grid in page order, so hidden ones leave no holes; the
// restricted view stacks its few groups in one column.
void ChipPageView::placeGroups() {
    std::vector<bool> visible(groups_.size());
    for (size_t p = 0; p < groups_.size(); ++p)
        visible[p] = model_.wordVisible(static_cast<int>(p));
    visible.push_back(model_.fullView());  // the number of columns depends on it too
    if (visible == placed_)
        return;
    placed_ = visible;
    for (QGroupBox* g : groups_)
        grid_->removeWidget(g);
    const int columns = model_.fullView() ? columns_ : 1;
    int n = 0;
    for (size_t p = 0; p < groups_.size(); ++p) {
        groups_[p]->setVisible(visible[p]);
        if (visible[p]) {
            grid_->addWidget(groups_[p], n / columns, n % columns);
            ++n;
        }
    }
}

void ChipPageView::refresh() {
    frame_->setTitle(model_.caption());
    placeGroups();
    for (int p = 0; p < static_cast<int>(groups_.size()); ++p)
        wordLabels_[p]->setText(model_.label(p));
    for (int f = 0; f < model_.fieldCount(); ++f) {
        QWidget* w = controls_[f];
        if (!w)
            continue;
        const QSignalBlocker block(w);
        const bool visible = model_.fieldVisible(f);
        w->setVisible(visible);
        w->setEnabled(model_.fieldEnabled(f));
        if (captions_[f]) {
            captions_[f]->setText(model_.fieldCaption(f));
            captions_[f]->setVisible(visible);
        }
        if (hints_[f])
            hints_[f]->setVisible(visible);
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            box->setText(model_.fieldCaption(f));
            box->setChecked(model_.checked(f));
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            if (edit->text() != model_.editText(f))
                edit->setText(model_.editText(f));
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            const QStringList items = model_.items(f);
            bool same = combo->count() == items.size();
            for (int i = 0; same && i < items.size(); ++i)
                same = combo->itemText(i) == items[i];
            if (!same) {
                combo->clear();
                combo->addItems(items);
            }
            combo->setCurrentIndex(model_.selection(f));
        }
    }
    if (save_)
        save_->setVisible(model_.saveVisible());
}

}  // namespace tessel::chip
