#pragma once
#include <QStringList>
#include <QTreeView>

class QMimeData;

// The list of drawings to convert, filled by dropping files from the desktop. It holds the path
// texts only, in the order they came; nothing sorts or filters them. The paths live in one
// string list that the view shows, so a request of thousands of drawings is read without a copy.
class DrawingList : public QTreeView {
    Q_OBJECT
public:
    // The most items the request format can count.
    static constexpr int Capacity = 32767;

    explicit DrawingList(QWidget* parent = nullptr);

    // Negative means no cap but Capacity.
    void setMaxItems(int maxItems) { m_maxItems = maxItems; }

    // Adds paths in order until the list holds the cap; the rest are dropped without a word.
    void addPaths(const QStringList& paths);
    const QStringList& paths() const;
    int count() const { return int(paths().size()); }
    void clear();

signals:
    // A file drop arrived; emitted before its files are added.
    void filesDropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class Model;
    Model* m_model;
    int m_maxItems = 0;
};
