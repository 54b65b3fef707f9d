#include "startupwindow.h"

#include "models/xml.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

StartupWindow::StartupWindow(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velkari"));
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    m_summary = new QLabel(central);
    m_summary->setTextFormat(Qt::RichText);
    m_summary->setWordWrap(true);
    m_table = new QTableWidget(0, 9, central);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Element"), QStringLiteral("alpha (°)"),
                                        QStringLiteral("a (mm)"), QStringLiteral("theta (°)"),
                                        QStringLiteral("d (mm)"), QStringLiteral("Lower limit (°)"),
                                        QStringLiteral("Upper limit (°)"),
                                        QStringLiteral("Triangles"), QStringLiteral("Mesh parts")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    setCentralWidget(central);
    refresh();
}

int StartupWindow::loadRobot(const QString &file)
{
    m_joints.clear();
    float base[6] = {0}, scale = 1.0f, offsets[6] = {0};
    m_angleType = 0;
    m_robotFile = file;
    m_robotResult =
        xml::loadData(file.toUtf8().constData(), m_joints, base, &scale, offsets, &m_angleType);
    if (m_robotResult == 0 && m_joints.size() < 7)
        m_robotResult = -1;
    refresh();
    return m_robotResult;
}

int StartupWindow::loadTool(const QString &file)
{
    m_tool.reset();
    m_tool = Tool();
    m_toolFile = file;
    m_toolResult = m_tool.load(file.toUtf8().constData());
    if (m_toolResult)
        m_tool.attach();
    refresh();
    return m_toolResult ? 0 : -1;
}

static int triangles(const Joint &j)
{
    return int(j.getVertices().size() / 3);
}

void StartupWindow::refresh()
{
    QString text;
    if (m_robotFile.isEmpty()) {
        text += tr("<b>No robot loaded.</b>");
    } else if (m_robotResult != 0) {
        text += tr("<b>The robot description %1 could not be read.</b>")
                    .arg(m_robotFile.toHtmlEscaped());
    } else {
        text += tr("<b>Robot:</b> %1 (angle type %2)<br/>%3")
                    .arg(QFileInfo(m_robotFile).fileName().toHtmlEscaped())
                    .arg(m_angleType)
                    .arg(QFileInfo(m_robotFile).canonicalFilePath().toHtmlEscaped());
    }
    text += QStringLiteral("<br/>");
    if (m_toolFile.isEmpty()) {
        text += tr("<b>No tool mounted.</b>");
    } else if (!m_toolResult) {
        text += tr("<b>The tool file %1 could not be read.</b>").arg(m_toolFile.toHtmlEscaped());
    } else {
        const Pose6 &t = m_tool.getTcp();
        int tris = 0;
        for (const Joint &p : m_tool.getParts())
            tris += triangles(p);
        text += tr("<b>Tool:</b> %1, TCP at (%2, %3, %4) mm, (%5, %6, %7)°, %8 parts, %9 triangles")
                    .arg(QFileInfo(m_toolFile).fileName().toHtmlEscaped())
                    .arg(double(t[0]), 0, 'f', 2)
                    .arg(double(t[1]), 0, 'f', 2)
                    .arg(double(t[2]), 0, 'f', 2)
                    .arg(double(t[3]), 0, 'f', 2)
                    .arg(double(t[4]), 0, 'f', 2)
                    .arg(double(t[5]), 0, 'f', 2)
                    .arg(m_tool.getParts().size())
                    .arg(tris);
    }
    m_summary->setText(text);

    m_table->setRowCount(int(m_joints.size()));
    for (int r = 0; r < int(m_joints.size()); ++r) {
        const Joint &j = m_joints[std::size_t(r)];
        int tris = triangles(j);
        for (std::size_t p = 1; p < j.getParts().size(); ++p)
            tris += triangles(j.getParts()[p]);
        const int meshParts = int(j.getParts().size()) - (r + 1 < int(m_joints.size()) ? 1 : 0) + 1;
        const QStringList cells{QString::fromStdString(j.getId()),
                                QString::number(j.getAlpha()),
                                QString::number(j.getA()),
                                QString::number(j.getTheta()),
                                QString::number(double(j.getD()), 'f', 2),
                                QString::number(j.getLiminf()),
                                QString::number(j.getLimsup()),
                                QString::number(tris),
                                QString::number(meshParts)};
        for (int c = 0; c < cells.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
}
