#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// What the window shows in its status bar while a long load or save runs: what is being done,
// a progress bar and, for a load, the 中止 button. It stays hidden for work that ends within
// kShowDelayMs, so that short work does not flicker; work that follows other work at once (a
// file shown after its load) keeps it on screen.
//
// The work reports how far it has come in passes through a text (a file decoded, then turned
// into a model, say); the bar adds them up against the passes the work expects, and never
// runs backwards. Work that cannot say how many passes it makes (a save: the file read, the
// sections edited, the text written out) shows each pass on its own.
class CWorkIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowDelayMs = 500;
    static constexpr int kEachPass = 0;

    explicit CWorkIndicator(QWidget* parent = nullptr);
    ~CWorkIndicator() override;

    // Starts a new piece of work: hidden until the delay has passed. passes: how many passes
    // the work is expected to report; kEachPass when it cannot say.
    void Begin(const QString& text, bool stoppable, int passes);
    // How far the work has come: pass (from 0) and how far into it. A total of 0 means the
    // work cannot say.
    void SetProgress(int pass, qint64 done, qint64 total);
    // The stop was asked for: the button cannot be pressed again, the text says so.
    void ShowStopping();
    // Goes once the events are handled, unless other work begins before.
    void End();

    QProgressBar* Bar() const { return m_pBar; }
    QPushButton* StopButton() const { return m_pStop; }

signals:
    // The 中止 button.
    void StopClicked();
    // The indicator appeared or went.
    void Shown(bool shown);

private:
    void Appear();
    void Disappear();
    int PerMille() const;

    QLabel* m_pText;
    QProgressBar* m_pBar;
    QPushButton* m_pStop;
    QTimer m_delay;
    QTimer m_hide;
    bool m_bWorking = false;
    int m_passes = 1;
    int m_pass = 0;
    int m_shownPass = 0;
    qint64 m_done = 0;
    qint64 m_total = 0;
    int m_shownPerMille = 0;
};
