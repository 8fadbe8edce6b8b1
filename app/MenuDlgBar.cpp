#include "app/MenuDlgBar.h"

#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kCommands[] = {Res::ID_FILE_OPEN, Res::ID_COMPARE, Res::ID_RELOAD,
                             Res::ID_FILE_SAVE, Res::ID_ADD,     Res::ID_VALUE_LISTS};
}

CMenuDlgBar::CMenuDlgBar(QWidget* parent) : QWidget(parent) {
    Ui::CDialogBuilder builder(Res::MenuBarTemplate());
    builder.Build(this);
    // Docked on the left: the template's width, at least its height, the rest of the height
    // going below the buttons (the version label follows the bottom edge).
    setFixedWidth(builder.PixelSize().width());
    setMinimumHeight(builder.PixelSize().height());
    if (auto* label = findChild<QLabel*>(QString::number(Res::IDC_VERSION)))
        label->setText(VersionText());
    for (int id : kCommands) {
        if (QPushButton* button = Button(id))
            connect(button, &QPushButton::clicked, this, [this, id] { emit Command(id); });
    }
}

CMenuDlgBar::~CMenuDlgBar() = default;

QPushButton* CMenuDlgBar::Button(int commandId) const {
    return findChild<QPushButton*>(QString::number(commandId), Qt::FindDirectChildrenOnly);
}

QString CMenuDlgBar::VersionText() {
    return QStringLiteral("Version %1").arg(QStringLiteral(QUILLET_PRODUCT_VERSION));
}
