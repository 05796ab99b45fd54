#include "app/AppDelegate.h"
void AppDelegate::showPrompt(const QString&, const QString&, const QList<PromptField>&, const QString&,
                             std::function<void(const QStringList&)>) {}
void AppDelegate::hudPromptConfirm() {}
void AppDelegate::hudPromptCancel() {}
void AppDelegate::closePrompt() {}
void AppDelegate::timerRename(const MenuItem&) {}
void AppDelegate::timerCustomLength(const MenuItem&) {}
