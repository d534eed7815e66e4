#pragma once

#include <functional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>

#include "CueSheet.h"
#include "CutPlan.h"

class QAction;
class QDialog;
class QMenu;
class QProgressDialog;
class QPushButton;
class QWidget;

// Looks for the silences of a file on a thread of its own; found() and failure() are
// read once the thread has finished.
class SilenceSearch : public QThread {
    Q_OBJECT

public:
    SilenceSearch(QString fileName, SilenceOptions options, QObject* parent);
    const std::vector<Silence>& found() const { return found_; }
    const QString& failure() const { return failure_; }
    bool stopped() const { return stopped_; }

signals:
    void progressed(int percent);

protected:
    void run() override;

private:
    QString fileName_;
    SilenceOptions options_;
    std::vector<Silence> found_;
    QString failure_;
    bool stopped_ = false;
};

// The cutter's "Find points" menu: cut points at silences, at equal lengths, from a CUE
// sheet, from the file's chapters or from Audacity labels, shown in the cutter's list
// before anything is written and undone with one step; the cut list saved as a CUE sheet
// or as labels.
class CutPointMenu : public QObject {
    Q_OBJECT

public:
    // What the menu needs of its window.
    struct Window {
        QWidget* widget;
        std::function<QString()> fileName;
        std::function<int64_t()> durationMs;
        std::function<CutPlan()> plan;
        std::function<void(const CutPlan&)> apply;
        std::function<void(const QString&)> showMessage;
        // The silence levels the waveform has kept, once it covers the whole file (else nullptr).
        std::function<const WindowLevels*()> silenceLevels;
    };

    explicit CutPointMenu(Window window);
    ~CutPointMenu() override;

    QPushButton* button() const { return button_; }
    // The album fields of the CUE sheet the points came from (empty otherwise).
    const AudioTags& album() const { return album_; }

    // The menu's actions without their dialogs (the tests call these directly).
    void findSilences(const SilenceOptions& options);
    void findLengths(int64_t lengthMs, int parts, int64_t snapWithinMs);
    void loadCueSheet(const QString& path);
    void findChapters();
    void loadLabels(const QString& path);
    bool saveCutList(const QString& path);
    bool saveLabels(const QString& path);
    void undo();
    // Another file was opened: no search goes on, nothing to undo, no album.
    void reset();

    bool searching() const { return search_ != nullptr; }
    QAction *silenceAction_, *lengthAction_, *cueAction_, *chaptersAction_, *labelsAction_, *saveAction_,
        *saveLabelsAction_, *undoAction_;
    QPointer<QDialog> dialog_; // the options dialog open, if any
    QPointer<QProgressDialog> progress_;

private:
    void askSilenceOptions();
    void askLengths();
    void askCueSheet();
    void askSaveName();
    void askLabelFile();
    void askLabelsSaveName();
    bool saveText(const QString& path, const std::string& text);
    void stopSearch();
    void searchThen(const SilenceOptions& options, std::function<void(const std::vector<Silence>&)> then);
    void apply(const CutPlan& plan, const AudioTags& album);
    QString besideTheFile(const QString& extension) const;

    Window window_;
    QPushButton* button_;
    QMenu* menu_;
    QPointer<SilenceSearch> search_;
    AudioTags album_;
    CutPlan undoPlan_;
    AudioTags undoAlbum_;
};
