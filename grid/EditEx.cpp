#include "grid/EditEx.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace Pelmo {

namespace {

// Space the line edit keeps between its contents rectangle and the text on either side.
constexpr int kTextHMargin = 2;

// Colour values with the high byte set ("none", "not set") are not colours.
bool IsColor(COLORREF c) {
    return (c & 0xFF000000u) == 0;
}

} // namespace

CEditEx::CEditEx(QWidget* parent) : QLineEdit(parent) {
    // Dropped text would bypass the character filter; the editor takes text only by typing
    // and by its own paste.
    setAcceptDrops(false);
    hide();
}

CEditEx::~CEditEx() {
    m_brBack.reset();
}

void CEditEx::Create(QWidget* pParent, const QRect& rect) {
    if (parentWidget() != pParent)
        setParent(pParent);
    hide();
    setGeometry(rect);
    setText(QString()); // also drops the undo history of the previous edit
    setModified(false);
    m_strPreedit.clear();
    m_bWindow = true;
}

void CEditEx::DestroyWindow() {
    if (!m_bWindow)
        return;
    m_bWindow = false;
    // Hiding the focused editor would otherwise pass the focus to whatever widget comes next
    // in the dialog; the grid underneath is where the user was working.
    if (hasFocus() && parentWidget())
        parentWidget()->setFocus(Qt::OtherFocusReason);
    hide();
    setText(QString());
    m_strPreedit.clear();
}

bool CEditEx::PassesUnfiltered(QChar ch) {
    // Ctrl+A, Ctrl+C, Backspace, Tab, line feed, carriage return, Ctrl+V, Ctrl+X, Ctrl+Z and
    // Escape are editing commands, not text: a filter must not be able to block them.
    switch (ch.unicode()) {
    case 1:
    case 3:
    case 8:
    case 9:
    case 10:
    case 13:
    case 22:
    case 24:
    case 26:
    case 27:
        return true;
    default:
        return false;
    }
}

bool CEditEx::FilterChar(QChar chTyped, QChar* pInsert, int nRow, int nCol) {
    QChar chLocal;
    if (!pInsert)
        pInsert = &chLocal;
    *pInsert = chTyped;
    if (nRow == -1 || nCol == -1) {
        nRow = m_nRow;
        nCol = m_nCol;
    }
    if (!m_charFilter.Ask(true, m_pOwner, nRow, nCol, chTyped, pInsert))
        return false;
    return m_textCheck.Ask(true, m_pOwner, nRow, nCol, ProspectiveText(*pInsert));
}

QString CEditEx::ProspectiveText(QChar ch) const {
    if (!m_bWindow)
        return QString(ch);
    QString text = this->text();
    int start = cursorPosition();
    if (hasSelectedText()) {
        start = selectionStart();
        text.remove(start, selectionLength());
    }
    text.insert(qBound(0, start, int(text.size())), ch);
    return text;
}

void CEditEx::InsertFiltered(const QString& text) {
    for (QChar ch : text) {
        QChar chInsert;
        if (FilterChar(ch, &chInsert))
            insert(QString(chInsert));
    }
}

void CEditEx::Paste() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText())
        return;
    QString line = mime->text();
    if (const qsizetype cr = line.indexOf(u'\r'); cr >= 0)
        line.truncate(cr);
    if (const qsizetype lf = line.indexOf(u'\n'); lf >= 0)
        line.truncate(lf);
    if (m_charFilter)
        InsertFiltered(line);
    else if (!line.isEmpty())
        insert(line);
}

void CEditEx::CommitComposition() {
    if (m_strPreedit.isEmpty())
        return;
    // Told to finish, an input method may hand the composition over itself (it comes in
    // through inputMethodEvent and leaves nothing pending) or drop it. Asked afterwards, it
    // would hand over what is already in.
    if (hasFocus())
        QGuiApplication::inputMethod()->reset();
    if (m_strPreedit.isEmpty())
        return;
    // The user has seen these characters typed, so they go in as they are.
    QInputMethodEvent commit;
    commit.setCommitString(m_strPreedit);
    QLineEdit::inputMethodEvent(&commit);
    m_strPreedit.clear();
}

bool CEditEx::HandleShortcut(QKeyEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        switch (event->key()) {
        case Qt::Key_C:
            copy();
            break;
        case Qt::Key_V:
            Paste();
            break;
        case Qt::Key_X:
            cut();
            break;
        case Qt::Key_Z:
            undo();
            break;
        default:
            return false;
        }
        event->accept();
        return true;
    }
    // Shift+Insert and the like would paste past the filter otherwise.
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        event->accept();
        return true;
    }
    return false;
}

bool CEditEx::FilterKeyText(QKeyEvent* event) {
    const QString typed = event->text();
    if (typed.isEmpty())
        return false;
    // With Ctrl held (and not AltGr) a key is a command, never text the editor inserts.
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier))
        return false;
    QString accepted;
    for (QChar ch : typed) {
        QChar chInsert = ch;
        if (PassesUnfiltered(ch) || FilterChar(ch, &chInsert))
            accepted += chInsert;
    }
    if (accepted == typed)
        return false;
    if (accepted.isEmpty()) {
        event->accept(); // refused: the keystroke vanishes
        return true;
    }
    QKeyEvent replaced(event->type(), event->key(), event->modifiers(), accepted,
                       event->isAutoRepeat(), ushort(event->count()));
    QLineEdit::keyPressEvent(&replaced);
    event->setAccepted(replaced.isAccepted());
    return true;
}

void CEditEx::keyPressEvent(QKeyEvent* event) {
    if (HandleShortcut(event) || FilterKeyText(event))
        return;
    QLineEdit::keyPressEvent(event);
}

void CEditEx::inputMethodEvent(QInputMethodEvent* event) {
    m_strPreedit = event->preeditString();
    const QString committed = event->commitString();
    if (committed.isEmpty() || (!m_charFilter && !m_textCheck)) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Committed text is typed text: drop the old composition (and whatever the input method
    // replaces), run the characters through the filter one by one, then put back the new
    // composition if the input method started one.
    QInputMethodEvent drop;
    drop.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&drop);
    InsertFiltered(committed);
    if (!m_strPreedit.isEmpty()) {
        QInputMethodEvent preedit(m_strPreedit, event->attributes());
        QLineEdit::inputMethodEvent(&preedit);
    }
    event->accept();
}

void CEditEx::PlaceCaret() {
    switch (m_nCaretOnShow) {
    case 0:
        setCursorPosition(0);
        break;
    case 1:
        end(false);
        break;
    case 2:
        selectAll();
        break;
    default:
        break;
    }
}

void CEditEx::showEvent(QShowEvent* event) {
    // Only when the editor itself is shown, not when its window comes back from minimised.
    if (!event->spontaneous())
        PlaceCaret();
    QLineEdit::showEvent(event);
}

void CEditEx::SetColors(COLORREF crText, COLORREF crBack) {
    m_crText = crText;
    m_crBack = crBack;
    m_brBack.reset();
    if (IsColor(crBack))
        m_brBack = std::make_unique<QBrush>(ToQColor(crBack));
    ApplyColors();
    update();
}

void CEditEx::ApplyColors() {
    QPalette pal; // no roles set: everything else follows the parent
    if (m_brBack)
        pal.setBrush(QPalette::Base, *m_brBack);
    if (IsColor(m_crText))
        pal.setColor(QPalette::Text, ToQColor(m_crText));
    setPalette(pal);
}

void CEditEx::paintEvent(QPaintEvent* event) {
    if (IsColor(m_crBack)) {
        QPainter painter(this);
        painter.fillRect(rect(), ToQColor(m_crBack));
    }
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    DrawFrame(painter);
}

void CEditEx::DrawFrame(QPainter& painter) const {
    if (!m_pColorMap)
        return;
    const auto it = m_pColorMap->constFind(CK_EDIT_FRAME);
    if (it == m_pColorMap->constEnd())
        return;
    QPen pen(ToQColor(*it), 2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // A 2-pixel pen centred on these lines covers the two outermost pixel rows and columns.
    painter.drawRect(QRectF(1, 1, width() - 2, height() - 2));
}

void CEditEx::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    // The menu's paste must take the same road as Ctrl+V. The action is found by its
    // connection, which holds in every language.
    for (QAction* action : menu->actions()) {
        if (QObject::disconnect(action, &QAction::triggered, this, &QLineEdit::paste) ||
            QObject::disconnect(action, SIGNAL(triggered()), this, SLOT(paste())))
            connect(action, &QAction::triggered, this, &CEditEx::Paste);
    }
    menu->exec(event->globalPos());
}

void CEditEx::mousePressEvent(QMouseEvent* event) {
    // The middle button pastes the X11 selection unfiltered and whole; the editor has no use
    // for it.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void CEditEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QRect CEditEx::GetRect() const {
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    return contents.marginsRemoved(textMargins()).adjusted(kTextHMargin, 0, -kTextHMargin, 0);
}

void CEditEx::SetRect(const QRect& rect) {
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    const QRect base = style()
                           ->subElementRect(QStyle::SE_LineEditContents, &opt, this)
                           .adjusted(kTextHMargin, 0, -kTextHMargin, 0);
    setTextMargins(rect.left() - base.left(), rect.top() - base.top(), base.right() - rect.right(),
                   base.bottom() - rect.bottom());
}

void CEditEx::SetFormat(int nFormat) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (nFormat == 1)
        horizontal = Qt::AlignRight;
    else if (nFormat == 2)
        horizontal = Qt::AlignHCenter;
    setAlignment(horizontal | Qt::AlignVCenter);
}

} // namespace Pelmo
