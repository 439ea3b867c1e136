#pragma once

#include "app/prompts.h"

class QWidget;

namespace tessel {

// Prompts answered by the user through Qt's message boxes and file dialogs.
class WidgetPrompts : public Prompts {
public:
    explicit WidgetPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(const QString& text) override;
    void showWarning(const QString& text) override;
    bool confirm(const QString& text) override;
    Answer ask(const QString& text, const std::function<bool()>& withdrawn) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& defaultName, const QString& filter) override;
    bool confirmOverwrite(const QString& question) override;

private:
    QWidget* parent_;
};

}  // namespace tessel
