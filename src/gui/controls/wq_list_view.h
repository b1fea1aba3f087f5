#pragma once

#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

class QMimeData;

// A list of entries in report form (columns, no tree) over any item model. With AcceptDroppedFiles on
// it takes files dropped from the desktop: OnFilesDropped is called once per drop with the names of all
// dropped local files in the order the desktop gave them, as the file system's bytes.
namespace swapwright::gui {

class TWqListView : public QTreeView {
    Q_OBJECT
public:
    // (sender, file names, do-default flag): the flag starts set; the default handling does nothing.
    using FilesDroppedHandler = std::function<void(TWqListView&, const std::vector<std::string>&, bool& doDefault)>;

    explicit TWqListView(QWidget* parent = nullptr);

    bool AcceptDroppedFiles() const noexcept { return m_acceptDroppedFiles; }
    void SetAcceptDroppedFiles(bool on);

    FilesDroppedHandler OnFilesDropped;

    // The local file names a drop carries, in its order; other URLs are left out.
    static std::vector<std::string> droppedFileNames(const QMimeData& mime);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool carriesFiles(const QMimeData* mime) const;

    bool m_acceptDroppedFiles = false;
};

} // namespace swapwright::gui
