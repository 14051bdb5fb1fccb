#include "gui/jobs/JobRunner.h"

#include "files/SafeSave.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// The progress dialog: the text, a bar of bytes done, the amount in megabytes and "Отмена".
class TJobDialog : public QDialog {
public:
    TJobDialog(QWidget* parent, const QString& text, TBackgroundJob& job) : QDialog(parent), FJob(job) {
        setObjectName(QStringLiteral("JobProgressDialog"));
        setWindowTitle(QStringLiteral("Tarvelo"));
        setWindowFlag(Qt::WindowCloseButtonHint, false);
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(text, this);
        layout->addWidget(label);
        FBar = new QProgressBar(this);
        FBar->setTextVisible(false);
        FBar->setMinimumWidth(320);
        layout->addWidget(FBar);
        auto* row = new QHBoxLayout;
        FAmount = new QLabel(this);
        row->addWidget(FAmount, 1);
        FCancel = new QPushButton(QStringLiteral("Отмена"), this);
        row->addWidget(FCancel);
        layout->addLayout(row);
        connect(FCancel, &QPushButton::clicked, this, [this] { Cancel(); });
        Refresh();
    }

    void Refresh() {
        const TJobProgress& p = FJob.Progress();
        const int64_t total = p.Total(), done = p.Done();
        // Until the first bytes are counted (some work counts only at its end), or while the total
        // is unknown, the bar just moves.
        const bool counting = total > 0 && done > 0;
        FBar->setRange(0, counting ? 1000 : 0);
        if (counting) FBar->setValue(int(std::min(done, total) * 1000 / total));
        // A percentage rather than megabytes: some works count each byte twice (compressed, then
        // written), so their totals are not the size of any file.
        if (p.Cancelled())
            // A work stops at its next look at the cancel, which may take a moment.
            FAmount->setText(QStringLiteral("Остановка…"));
        else
            FAmount->setText(counting
                                 ? QString::number(std::min(done, total) * 100 / total) + QStringLiteral(" %")
                                 : QString());
    }

protected:
    void reject() override { Cancel(); } // Escape

private:
    void Cancel() {
        FJob.Cancel();
        FCancel->setEnabled(false);
        Refresh();
    }

    TBackgroundJob& FJob;
    QProgressBar* FBar = nullptr;
    QLabel* FAmount = nullptr;
    QPushButton* FCancel = nullptr;
};

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

TJobRunner& TJobRunner::Instance() {
    static TJobRunner runner;
    return runner;
}

TJobRun TJobRunner::For(QWidget* parent) {
    return [parent](const QString& text, const TJobWork& work) { return Instance().Run(parent, text, work); };
}

bool TJobRunner::Run(QWidget* parent, const QString& text, const TJobWork& work) {
    TBackgroundJob job;
    TJobDialog dialog(parent, text, job);
    QWidget* const outerDialog = FDialog;
    FDialog = &dialog;
    if (FDepth++ == 0) {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        emit BusyChanged(true);
    }
    QTimer show;
    show.setSingleShot(true);
    connect(&show, &QTimer::timeout, &dialog, [&dialog] {
        dialog.Refresh();
        dialog.show();
    });
    show.start(ShowDelayMs);
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &dialog, [&dialog] {
        if (dialog.isVisible()) dialog.Refresh();
    });
    refresh.start(100);

    const QString error = job.RunAndWait(work);

    FDialog = outerDialog;
    if (--FDepth == 0) {
        QApplication::restoreOverrideCursor();
        qApp->removeEventFilter(this);
        emit BusyChanged(false);
    }
    if (error.isEmpty()) return true;
    dialog.hide();
    QMessageBox::critical(parent, QStringLiteral("Ошибка"), error);
    return false;
}

bool TJobRunner::Write(QWidget* parent, const QString& text,
                       const std::function<bool(QString& message)>& write, QString& message) {
    bool written = false, cancelled = false;
    message.clear();
    if (!Run(parent, text, [&](TJobProgress& progress) {
            const filesave::TJobScope scope(&progress);
            written = write(message);
            cancelled = !written && progress.Cancelled();
        }))
        return false;
    if (cancelled) message.clear();
    return written;
}

bool TJobRunner::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !watched->isWidgetType()) return false;
    const auto* widget = static_cast<QWidget*>(watched);
    if (FDialog && (widget == FDialog || FDialog->isAncestorOf(widget))) return false;
    if (event->type() == QEvent::Close) event->ignore();
    return true;
}
