// What a screen reader calls the controls of every dialog and bar: each input control is
// named (after its label or by its template), each button by its text.
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include <QAccessible>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString NameOf(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

struct Template {
    const char* name;
    const Ui::DialogTemplate& (*get)();
};
const Template kTemplates[] = {
    {"preview bar", &Res::PreviewBarTemplate},
    {"find", &Res::FindDlgTemplate},
    {"add", &Res::AddDlgTemplate},
    {"menu bar", &Res::MenuBarTemplate},
    {"add (comparing)", &Res::AddCompareDlgTemplate},
    {"value lists", &Res::ProjectDlgTemplate},
    {"value list editor", &Res::ProjectEditDlgTemplate},
    {"value list bar", &Res::ProjectBarTemplate},
};

} // namespace

TEST(ControlNames, EveryControlOfEveryTemplateIsNamed) {
    for (const Template& t : kTemplates) {
        SCOPED_TRACE(t.name);
        QWidget host;
        ASSERT_TRUE(Ui::CDialogBuilder(t.get()).Build(
            &host, [](const Ui::ControlTemplate&, QWidget* h) { return new QWidget(h); }));
        for (const Ui::ControlTemplate& c : t.get().controls) {
            if (c.kind == Ui::ControlKind::Static)
                continue;
            SCOPED_TRACE(c.id);
            auto* w = host.findChild<QWidget*>(QString::number(c.id));
            ASSERT_TRUE(w);
            if (c.kind == Ui::ControlKind::PushButton || c.kind == Ui::ControlKind::CheckBox ||
                c.kind == Ui::ControlKind::DefPushButton)
                EXPECT_EQ(NameOf(w), c.text);
            else
                EXPECT_FALSE(w->accessibleName().isEmpty());
        }
    }
}

TEST(ControlNames, NamesComeFromLabelsOrTemplates) {
    struct Row {
        const char* name;
        const Ui::DialogTemplate& (*get)();
        int id;
        QString expected;
    };
    const Row rows[] = {
        {"section label", &Res::AddDlgTemplate, Res::IDC_ADD_SECTION, QStringLiteral("セクション")},
        {"entry label", &Res::AddDlgTemplate, Res::IDC_ADD_ENTRY, QStringLiteral("エントリ")},
        {"value label", &Res::AddDlgTemplate, Res::IDC_ADD_VALUE, QStringLiteral("値")},
        {"value list label", &Res::ProjectDlgTemplate, Res::IDC_PROJECT_LIST,
         QStringLiteral("値リスト")},
        {"related files label", &Res::ProjectDlgTemplate, Res::IDC_FILE_LIST,
         QStringLiteral("関連ファイル")},
        {"find text", &Res::FindDlgTemplate, Res::IDC_FIND_TEXT, QStringLiteral("検索する文字列")},
        {"entry grid", &Res::ProjectEditDlgTemplate, Res::IDC_ENTRY_GRID,
         QStringLiteral("エントリ")},
        {"preview", &Res::PreviewBarTemplate, Res::IDC_PREVIEW, QStringLiteral("プレビュー")},
        {"second preview", &Res::PreviewBarTemplate, Res::IDC_PREVIEW2,
         QStringLiteral("プレビュー 2")},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget host;
        Ui::CDialogBuilder(r.get()).Build(
            &host, [](const Ui::ControlTemplate&, QWidget* h) { return new QWidget(h); });
        auto* w = host.findChild<QWidget*>(QString::number(r.id));
        ASSERT_TRUE(w);
        EXPECT_EQ(NameOf(w), r.expected);
    }
}
