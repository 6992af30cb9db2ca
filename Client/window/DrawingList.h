#pragma once
#include <QStringList>
#include <QTimer>
#include <QTreeView>

class QAction;
class QLabel;
class QMimeData;
class QUrl;

// The list of drawings to convert, filled by dropping files from the desktop, pasting files copied
// in a file manager (Ctrl+V, "Incolla") or choosing them (Ins, "Aggiungi disegni…"); the selected
// ones go with Canc ("Rimuovi"). Each row shows its path elided in the middle, whole as its tooltip. It
// holds the path texts only, in the order they came; nothing sorts or filters them. The paths
// live in one string list that the view shows, so a request of thousands of drawings is read
// without a copy.
class DrawingList : public QTreeView {
    Q_OBJECT
public:
    // The most items the request format can count.
    static constexpr int Capacity = 32767;

    explicit DrawingList(QWidget* parent = nullptr);

    // Negative means no cap but Capacity.
    void setMaxItems(int maxItems) { m_maxItems = maxItems; }

    // Adds paths in order until the list holds the cap; a note at the list tells how many were left
    // out, for about five seconds.
    void addPaths(const QStringList& paths);
    const QStringList& paths() const;
    int count() const { return int(paths().size()); }
    void clear();

    // The one road for drops, pastes and files named on the command line: adds urls as one drop
    // of them. False, and nothing changes, unless they are local files.
    bool addFiles(const QList<QUrl>& urls);
    // Adds the files that the clipboard holds, exactly as a drop of them.
    void paste();
    // Removes the selected drawings.
    void removeSelected();

signals:
    // A drop or a paste of files arrived; emitted before its files are added.
    void filesArriving();
    // The user asked to choose drawings in a file dialog.
    void drawingsWanted();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class Model;
    Model* m_model;
    QAction* m_paste;
    QAction* m_remove;
    QLabel* m_note;
    QTimer m_noteTime;
    int m_maxItems = 0;
};
