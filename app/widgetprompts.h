#pragma once

#include "app/profile.h"
#include "app/prompts.h"

class QWidget;

namespace tessel {

// Prompts answered by the user through Qt's message boxes and file dialogs. Every file dialog
// starts in the folder the last one ended in, kept in the profile ("InitParameters",
// "LastFolder"), or in the user's home folder.
class WidgetPrompts : public Prompts {
public:
    static constexpr const char* kFolderKey = "LastFolder";

    explicit WidgetPrompts(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void setProfile(const Profile& profile) { profile_ = profile; }
    // Where the next dialog starts, and the record of where the last one ended.
    QString startFolder() const;
    void rememberFolderOf(const QString& path);

    void showMessage(const QString& text) override;
    void showWarning(const QString& text) override;
    bool confirm(const QString& text) override;
    Answer ask(const QString& text, const std::function<bool()>& withdrawn) override;
    QString openFileName(const QString& filter) override;
    QString saveFileName(const QString& defaultName, const QString& filter) override;
    bool confirmOverwrite(const QString& question) override;

private:
    QWidget* parent_;
    Profile profile_;
};

}  // namespace tessel
