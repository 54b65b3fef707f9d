#include "robotlibrary.h"

#include "kinematics/matrixtoolbox.h"
#include "kinematics/robot.h"
#include "models/xml.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QVector3D>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kPictureSize = 256;
constexpr int kIconSize = 56;

enum Column
{
    kMaker,
    kModel,
    kReach,
    kPayload,
    kColumns
};

// Text as people read it: runs of digits compare as numbers ("KR 6" before
// "KR 16", "IRB 120" before "IRB 1200"), letters without regard to case.
int naturalCompare(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            while (i < a.size() - 1 && a[i] == QLatin1Char('0') && a[i + 1].isDigit())
                ++i;
            while (j < b.size() - 1 && b[j] == QLatin1Char('0') && b[j + 1].isDigit())
                ++j;
            int ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            if (ei - i != ej - j)
                return (ei - i) < (ej - j) ? -1 : 1;
            if (const int c = QStringRef(&a, i, ei - i).compare(QStringRef(&b, j, ej - j)))
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar x = a[i].toCaseFolded(), y = b[j].toCaseFolded();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    return (a.size() - i) - (b.size() - j);
}

// Numbers sort as numbers, text as people read it, and files without
// library data after the rest.
class Row : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int c = treeWidget() ? treeWidget()->sortColumn() : kMaker;
        const QVariant a = data(c, Qt::UserRole), b = other.data(c, Qt::UserRole);
        if (c == kReach || c == kPayload)
            return a.toDouble() < b.toDouble();
        return naturalCompare(a.toString(), b.toString()) < 0;
    }
};

QString quantity(double value, const char *unit)
{
    if (value <= 0.0)
        return QStringLiteral("\u2014");
    return QLocale::c().toString(value, 'g', 6) + QLatin1Char(' ') + QLatin1String(unit);
}

// Whether a description loads as a robot, by file and modification time:
// reading its meshes once per program is enough.
struct CachedVerdict
{
    QDateTime modified;
    bool loads = false;
};
QHash<QString, CachedVerdict> &verdictCache()
{
    static QHash<QString, CachedVerdict> cache;
    return cache;
}

// As the station loads a robot: what it refuses is no choice.
bool loadsAsRobot(const QFileInfo &f)
{
    const QDateTime modified = f.lastModified();
    auto hit = verdictCache().constFind(f.filePath());
    if (hit != verdictCache().constEnd() && hit->modified == modified)
        return hit->loads;
    Robot robot;
    const bool loads =
        robot.loadData(QFile::encodeName(f.filePath()).constData()) == 0 && robot.isLoaded();
    verdictCache().insert(f.filePath(), {modified, loads});
    return loads;
}

// Pictures already drawn, by file and modification time.
struct CachedPicture
{
    QDateTime modified;
    QImage image;
};
QHash<QString, CachedPicture> &pictureCache()
{
    static QHash<QString, CachedPicture> cache;
    return cache;
}

// One triangle of the picture, in screen coordinates.
struct Facet
{
    QPointF p[3];
    float depth;
    QRgb colour;
};

} // namespace

QVector<RobotLibrary::Entry> RobotLibrary::scan(const QString &dir)
{
    QVector<Entry> entries;
    const QFileInfoList files =
        QDir(dir).entryInfoList({QStringLiteral("*.xml")}, QDir::Files | QDir::Readable);
    for (const QFileInfo &f : files) {
        RobotInfo info;
        if (xml::loadInfo(QFile::encodeName(f.filePath()).constData(), info) != 0 ||
            !loadsAsRobot(f))
            continue;
        Entry e;
        e.file = f.filePath();
        e.maker = QString::fromUtf8(info.maker.c_str()).trimmed();
        e.model = QString::fromUtf8(info.model.c_str()).trimmed();
        if (e.model.isEmpty())
            e.model = f.completeBaseName();
        e.reachMm = info.reachMm;
        e.payloadKg = info.payloadKg;
        e.preview = info.preview;
        entries.push_back(e);
    }
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry &a, const Entry &b) {
        if (a.maker.isEmpty() != b.maker.isEmpty())
            return b.maker.isEmpty();
        if (const int c = naturalCompare(a.maker, b.maker))
            return c < 0;
        return naturalCompare(a.model, b.model) < 0;
    });
    return entries;
}

QImage RobotLibrary::picture(const QString &file, const std::array<float, 6> &pose, int size)
{
    if (size < 8)
        return QImage();
    Robot robot;
    if (robot.loadData(QFile::encodeName(file).constData()) != 0)
        return QImage();
    const std::vector<Joint> &joints = robot.getJoints();
    float model[6];
    Robot::robotToDH(robot.getAngleType(), pose.data(), model);

    // View from the front right and a little above; light from over the
    // viewer's left shoulder.
    const QVector3D toViewer = QVector3D(0.55f, -1.0f, 0.5f).normalized();
    const QVector3D right = QVector3D::crossProduct(-toViewer, QVector3D(0, 0, 1)).normalized();
    const QVector3D up = QVector3D::crossProduct(right, -toViewer);
    const QVector3D light = (toViewer + QVector3D(-0.35f, 0.1f, 0.6f)).normalized();

    std::size_t count = 0;
    for (const Joint &j : joints) {
        count += j.getDrawVertices().size() / 9;
        for (const Joint &p : j.getParts())
            count += p.getDrawVertices().size() / 9;
    }
    if (count == 0)
        return QImage();
    std::vector<Facet> facets;
    facets.reserve(count);

    Matrix4 frame = joints[0].linkMatrixWith(0.0f);
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    auto addMesh = [&](const Joint &mesh) {
        const std::vector<float> &v = mesh.getDrawVertices();
        const std::array<float, 3> &c = mesh.getColor();
        for (std::size_t k = 0; k + 8 < v.size(); k += 9) {
            QVector3D w[3];
            for (int i = 0; i < 3; ++i) {
                const float *p = &v[k + 3 * std::size_t(i)];
                const Vector4 q = toolbox::product(frame, Vector4{p[0], p[1], p[2], 1.0f});
                w[i] = QVector3D(q[0], q[1], q[2]);
            }
            const QVector3D n = QVector3D::crossProduct(w[1] - w[0], w[2] - w[0]).normalized();
            // Two-sided: a file wound the other way still looks solid.
            const float shade = 0.32f + 0.68f * std::fabs(QVector3D::dotProduct(n, light));
            Facet f;
            f.depth = 0.0f;
            for (int i = 0; i < 3; ++i) {
                f.p[i] =
                    QPointF(QVector3D::dotProduct(w[i], right), -QVector3D::dotProduct(w[i], up));
                f.depth += QVector3D::dotProduct(w[i], toViewer);
                lo[0] = std::min(lo[0], f.p[i].x());
                lo[1] = std::min(lo[1], f.p[i].y());
                hi[0] = std::max(hi[0], f.p[i].x());
                hi[1] = std::max(hi[1], f.p[i].y());
            }
            auto channel = [shade](float x) {
                return int(std::lround(255.0f * std::clamp(x * shade, 0.0f, 1.0f)));
            };
            f.colour = qRgb(channel(c[0]), channel(c[1]), channel(c[2]));
            facets.push_back(f);
        }
    };
    for (std::size_t i = 0; i < joints.size(); ++i) {
        if (i > 0 && i <= 6)
            frame = toolbox::product(frame, joints[i].linkMatrixWith(model[i - 1]));
        addMesh(joints[i]);
        for (const Joint &p : joints[i].getParts())
            addMesh(p);
    }
    // Far facets first; the meshes are simple solids, so sorting by centre
    // depth is enough for a picture this size.
    std::sort(facets.begin(), facets.end(),
              [](const Facet &a, const Facet &b) { return a.depth < b.depth; });

    const double extent = std::max({hi[0] - lo[0], hi[1] - lo[1], 1e-6});
    const double scale = 0.92 * size / extent;
    const QPointF shift(0.5 * size - scale * 0.5 * (lo[0] + hi[0]),
                        0.5 * size - scale * 0.5 * (lo[1] + hi[1]));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPointF tri[3];
    for (const Facet &f : facets) {
        for (int i = 0; i < 3; ++i)
            tri[i] = f.p[i] * scale + shift;
        // An outline in the fill colour closes the hairline seams between
        // neighbouring antialiased triangles.
        painter.setPen(QPen(QColor(f.colour), 0.8));
        painter.setBrush(QColor(f.colour));
        painter.drawConvexPolygon(tri, 3);
    }
    return image;
}

RobotLibrary::RobotLibrary(const QString &dir, const QString &current, QWidget *parent)
    : QDialog(parent), m_dir(dir)
{
    setObjectName(QStringLiteral("RobotLibrary"));
    setWindowTitle(tr("Robot library"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("robotList"));
    m_list->setColumnCount(kColumns);
    m_list->setHeaderLabels({tr("Maker"), tr("Model"), tr("Reach"), tr("Payload")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setIconSize(QSize(kIconSize, kIconSize));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setAlternatingRowColors(true);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("robotPicture"));
    m_preview->setFixedSize(kPictureSize, kPictureSize);
    m_preview->setAlignment(Qt::AlignCenter);
    m_details = new QLabel(this);
    m_details->setObjectName(QStringLiteral("robotDetails"));
    m_details->setWordWrap(true);
    m_details->setTextFormat(Qt::RichText);
    m_details->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_details->setFixedWidth(kPictureSize);

    auto *buttons = new QDialogButtonBox(this);
    m_load = buttons->addButton(tr("Load"), QDialogButtonBox::AcceptRole);
    m_load->setObjectName(QStringLiteral("loadButton"));
    QPushButton *other = buttons->addButton(tr("Other file…"), QDialogButtonBox::ActionRole);
    other->setObjectName(QStringLiteral("otherFileButton"));
    buttons->addButton(QDialogButtonBox::Cancel);

    auto *side = new QVBoxLayout;
    side->addWidget(m_preview);
    side->addWidget(m_details, 1);
    auto *top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(buttons);

    connect(m_list, &QTreeWidget::currentItemChanged, this, &RobotLibrary::showCurrent);
    connect(m_list, &QTreeWidget::itemActivated, this, &RobotLibrary::acceptCurrent);
    connect(m_load, &QPushButton::clicked, this, &RobotLibrary::acceptCurrent);
    connect(other, &QPushButton::clicked, this, &RobotLibrary::openOtherFile);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_entries = scan(dir);
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        auto *row = new Row(m_list);
        row->setText(kMaker, e.maker.isEmpty() ? QStringLiteral("\u2014") : e.maker);
        row->setText(kModel, e.model);
        row->setText(kReach, quantity(e.reachMm, "mm"));
        row->setText(kPayload, quantity(e.payloadKg, "kg"));
        row->setData(kMaker, Qt::UserRole, e.maker.isEmpty() ? QStringLiteral("\uffff") : e.maker);
        row->setData(kModel, Qt::UserRole, e.model);
        row->setData(kReach, Qt::UserRole, e.reachMm);
        row->setData(kPayload, Qt::UserRole, e.payloadKg);
        row->setData(kModel, Qt::UserRole + 1, i); // index into m_entries
        row->setToolTip(kModel, QDir::toNativeSeparators(e.file));
        row->setTextAlignment(kReach, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(kPayload, Qt::AlignRight | Qt::AlignVCenter);
        // A blank square keeps the rows their final height until the
        // picture is drawn.
        QPixmap blank(kIconSize, kIconSize);
        blank.fill(Qt::transparent);
        row->setIcon(kMaker, QIcon(blank));
        m_pending.push_back(i);
    }
    for (int c = 0; c < kColumns; ++c)
        m_list->resizeColumnToContents(c);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(kModel, QHeaderView::Stretch);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(kMaker, Qt::AscendingOrder);
    m_list->setMinimumWidth(560);

    if (m_entries.isEmpty()) {
        m_details->setText(tr("No robot descriptions in %1.").arg(QDir::toNativeSeparators(dir)));
        m_load->setEnabled(false);
    } else {
        // The robot in the station, where it is listed: the dialog opens on
        // what the user has, not on the first maker's first model.
        QTreeWidgetItem *start = m_list->topLevelItem(0);
        const QString here = current.isEmpty() ? QString() : QFileInfo(current).canonicalFilePath();
        for (int r = 0; !here.isEmpty() && r < m_list->topLevelItemCount(); ++r) {
            QTreeWidgetItem *row = m_list->topLevelItem(r);
            const Entry &e = m_entries[row->data(kModel, Qt::UserRole + 1).toInt()];
            if (QFileInfo(e.file).canonicalFilePath() == here) {
                start = row;
                break;
            }
        }
        m_list->setCurrentItem(start);
        m_list->scrollToItem(start);
        m_list->setFocus();
    }
    resize(960, 640);
    QTimer::singleShot(0, this, &RobotLibrary::drawNextPicture);
}

QString RobotLibrary::choose(const QString &dir, const QString &current, QWidget *parent)
{
    RobotLibrary dialog(dir, current, parent);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFile() : QString();
}

void RobotLibrary::drawNextPicture()
{
    if (m_pending.isEmpty())
        return;
    // The current row first, so the large picture appears at once.
    int at = 0;
    if (QTreeWidgetItem *cur = m_list->currentItem())
        at = std::max(0, int(m_pending.indexOf(cur->data(kModel, Qt::UserRole + 1).toInt())));
    const int index = m_pending.takeAt(at);
    const Entry &e = m_entries[index];

    const QDateTime modified = QFileInfo(e.file).lastModified();
    QImage image;
    auto hit = pictureCache().constFind(e.file);
    if (hit != pictureCache().constEnd() && hit->modified == modified) {
        image = hit->image;
    } else {
        image = picture(e.file, e.preview, kPictureSize);
        pictureCache().insert(e.file, {modified, image});
    }
    for (int r = 0; r < m_list->topLevelItemCount(); ++r) {
        QTreeWidgetItem *row = m_list->topLevelItem(r);
        if (row->data(kModel, Qt::UserRole + 1).toInt() != index)
            continue;
        if (!image.isNull()) {
            const QPixmap small = QPixmap::fromImage(
                image.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            // The same picture when selected: the maker's colour is the point.
            QIcon icon(small);
            icon.addPixmap(small, QIcon::Selected);
            row->setIcon(kMaker, icon);
        }
        if (row == m_list->currentItem())
            showCurrent();
    }
    if (!m_pending.isEmpty())
        QTimer::singleShot(0, this, &RobotLibrary::drawNextPicture);
}

void RobotLibrary::showCurrent()
{
    QTreeWidgetItem *row = m_list->currentItem();
    m_load->setEnabled(row != nullptr);
    if (!row) {
        m_preview->clear();
        return;
    }
    const Entry &e = m_entries[row->data(kModel, Qt::UserRole + 1).toInt()];
    auto hit = pictureCache().constFind(e.file);
    if (hit != pictureCache().constEnd() && !hit->image.isNull())
        m_preview->setPixmap(QPixmap::fromImage(hit->image));
    else
        m_preview->setText(m_pending.isEmpty() ? tr("No picture") : QString());
    QString text = QStringLiteral("<b>%1</b><br>%2<br><br>")
                       .arg((e.maker + QLatin1Char(' ') + e.model).trimmed().toHtmlEscaped(),
                            QFileInfo(e.file).fileName().toHtmlEscaped());
    text += tr("Reach: %1").arg(quantity(e.reachMm, "mm")) + QStringLiteral("<br>");
    text += tr("Payload: %1").arg(quantity(e.payloadKg, "kg"));
    m_details->setText(text);
}

void RobotLibrary::acceptCurrent()
{
    QTreeWidgetItem *row = m_list->currentItem();
    if (!row)
        return;
    m_selected = m_entries[row->data(kModel, Qt::UserRole + 1).toInt()].file;
    accept();
}

void RobotLibrary::openOtherFile()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Open"), m_dir, tr("Robot (*.xml)"));
    if (file.isEmpty())
        return;
    m_selected = file;
    accept();
}
