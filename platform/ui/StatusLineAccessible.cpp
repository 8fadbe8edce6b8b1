#include "platform/ui/StatusLineAccessible.h"

#include <QLabel>

namespace {

constexpr char kStatusLineProperty[] = "quilletStatusLine";

QAccessibleInterface* MakeStatusLine(const QString& className, QObject* object) {
    auto* label = qobject_cast<QLabel*>(object);
    if (className != QLatin1String("QLabel") || !label ||
        !label->property(kStatusLineProperty).toBool())
        return nullptr;
    return new CStatusLineAccessible(label);
}

} // namespace

CStatusLineAccessible::CStatusLineAccessible(QLabel* label)
    : QAccessibleWidget(label, QAccessible::Notification) {}

void CStatusLineAccessible::Attach(QLabel* label) {
    static const bool installed = (QAccessible::installFactory(&MakeStatusLine), true);
    Q_UNUSED(installed);
    label->setProperty(kStatusLineProperty, true);
    label->setVisible(!label->text().isEmpty());
}

void CStatusLineAccessible::Show(QLabel* label, const QString& text) {
    label->setText(text);
    // Hidden and shown again, the notification's showing is what a reader announces: one
    // text repeated (each search that finds nothing) is said each time.
    label->setVisible(false);
    label->setVisible(!text.isEmpty());
}

QString CStatusLineAccessible::text(QAccessible::Text t) const {
    if (t != QAccessible::Name)
        return QAccessibleWidget::text(t);
    return static_cast<const QLabel*>(widget())->text();
}
