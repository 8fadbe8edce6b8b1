#include "app/WorkIndicator.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace {
constexpr int kScale = 1000;
constexpr int kBarWidth = 240;
} // namespace

CWorkIndicator::CWorkIndicator(QWidget* parent)
    : QWidget(parent), m_pText(new QLabel(this)), m_pBar(new QProgressBar(this)),
      m_pStop(new QPushButton(QStringLiteral("中止"), this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    // The text last: it changes length, and the button must not move under the mouse.
    row->addWidget(m_pBar);
    row->addWidget(m_pStop);
    row->addWidget(m_pText);
    row->addStretch(1);
    m_pBar->setFixedWidth(kBarWidth);
    m_pBar->setTextVisible(false);
    m_pBar->setAccessibleName(QStringLiteral("進行状況"));
    m_pStop->setToolTip(QStringLiteral("読み込みを中止します (Esc)"));
    // The window's keys go on to the grid after the work; the button never keeps the focus.
    m_pStop->setFocusPolicy(Qt::NoFocus);
    connect(m_pStop, &QPushButton::clicked, this, &CWorkIndicator::StopClicked);
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &CWorkIndicator::Appear);
    m_hide.setSingleShot(true);
    m_hide.setInterval(0);
    connect(&m_hide, &QTimer::timeout, this, &CWorkIndicator::Disappear);
    hide();
}

CWorkIndicator::~CWorkIndicator() = default;

void CWorkIndicator::Begin(const QString& text, bool stoppable, int passes) {
    const bool continuing = m_hide.isActive();
    m_hide.stop();
    m_bWorking = true;
    m_passes = std::max(kEachPass, passes);
    m_pass = m_shownPass = 0;
    m_done = m_total = 0;
    m_shownPerMille = 0;
    m_pText->setText(text);
    m_pStop->setVisible(stoppable);
    m_pStop->setEnabled(true);
    m_pBar->setRange(0, 0); // busy until the first report
    if (!continuing)
        m_delay.start(kShowDelayMs);
}

void CWorkIndicator::SetProgress(int pass, qint64 done, qint64 total) {
    m_pass = pass;
    m_done = done;
    m_total = total;
    if (isHidden())
        return;
    if (m_total <= 0 && m_shownPerMille == 0)
        return; // still busy: nothing known yet
    if (m_passes == kEachPass && m_pass != m_shownPass) {
        m_shownPass = m_pass;
        m_shownPerMille = 0;
    }
    m_shownPerMille = std::max(m_shownPerMille, PerMille());
    m_pBar->setRange(0, kScale);
    m_pBar->setValue(m_shownPerMille);
}

int CWorkIndicator::PerMille() const {
    const qint64 inPass =
        m_total > 0 ? std::clamp<qint64>(m_done, 0, m_total) * kScale / m_total : 0;
    if (m_passes == kEachPass)
        return int(inPass);
    return int(std::min<qint64>(kScale, (qint64(m_pass) * kScale + inPass) / m_passes));
}

void CWorkIndicator::ShowStopping() {
    m_pText->setText(QStringLiteral("中止しています…"));
    m_pStop->setEnabled(false);
}

void CWorkIndicator::Appear() {
    if (!m_bWorking)
        return;
    show();
    SetProgress(m_pass, m_done, m_total);
    emit Shown(true);
}

void CWorkIndicator::End() {
    m_bWorking = false;
    m_delay.stop();
    if (!isHidden())
        m_hide.start();
}

void CWorkIndicator::Disappear() {
    hide();
    emit Shown(false);
}
