#include "gui/controls/wq_list_view.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>

namespace swapwright::gui {

TWqListView::TWqListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void TWqListView::SetAcceptDroppedFiles(bool on) {
    m_acceptDroppedFiles = on;
    setAcceptDrops(on || dragDropMode() == QAbstractItemView::DropOnly ||
                   dragDropMode() == QAbstractItemView::DragDrop || dragDropMode() == QAbstractItemView::InternalMove);
    viewport()->setAcceptDrops(acceptDrops());
}

std::vector<std::string> TWqListView::droppedFileNames(const QMimeData& mime) {
    std::vector<std::string> names;
    if (!mime.hasUrls())
        return names;
    for (const QUrl& url : mime.urls()) {
        if (!url.isLocalFile())
            continue;
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0 &&
            host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)
            continue; // a file on another machine
        // The encoded path keeps bytes that are not UTF-8 as %XX, so decoding it gives the name's bytes.
        const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (!bytes.isEmpty())
            names.emplace_back(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return names;
}

bool TWqListView::carriesFiles(const QMimeData* mime) const {
    return m_acceptDroppedFiles && mime && !droppedFileNames(*mime).empty();
}

void TWqListView::dragEnterEvent(QDragEnterEvent* event) {
    if (carriesFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QTreeView::dragEnterEvent(event);
}

void TWqListView::dragMoveEvent(QDragMoveEvent* event) {
    if (carriesFiles(event->mimeData())) {
        event->acceptProposedAction();
        return;
    }
    QTreeView::dragMoveEvent(event);
}

void TWqListView::dropEvent(QDropEvent* event) {
    if (!carriesFiles(event->mimeData())) {
        QTreeView::dropEvent(event);
        return;
    }
    const std::vector<std::string> names = droppedFileNames(*event->mimeData());
    event->acceptProposedAction();
    bool doDefault = true;
    if (OnFilesDropped)
        OnFilesDropped(*this, names, doDefault);
    // The default handling of dropped files does nothing.
}

} // namespace swapwright::gui
