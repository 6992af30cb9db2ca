#pragma once
#include <QStringList>
#include <QTreeWidget>

// The list of drawings to convert, filled by dropping files from the desktop. Items hold the
// path text only, in the order they came; nothing sorts or filters them.
class DrawingList : public QTreeWidget {
    Q_OBJECT
public:
    // The most items the request format can count.
    static constexpr int Capacity = 32767;

    explicit DrawingList(QWidget* parent = nullptr);

    // Negative means no cap but Capacity.
    void setMaxItems(int maxItems) { m_maxItems = maxItems; }

    // Adds paths in order until the list holds the cap; the rest are dropped without a word.
    void addPaths(const QStringList& paths);
    QStringList paths() const;

signals:
    // A file drop arrived; emitted before its files are added.
    void filesDropped();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int m_maxItems = 0;
};
