#include "languagefile.h"

#include <QFile>
#include <iterator>

namespace {

// The key order is the entry order: the applier assigns texts by position.
constexpr const char *kKeys[] = {
    "robotAxis",
    "showFrame",
    "checkBox",
    "axisModel",
    "dhAxis",
    "dhmAxis",
    "zero",
    "inverseKinematics",
    "direcKinematics",
    "transAlong",
    "rotAbout",
    "lblposition",
    "lblorientation",
    "lblquaternions",
    "lblconfigurations",
    "lbltool",
    "lblbase",
    "lblworld",
    "toolframe",
    "worldframe",
    "orienteuler",
    "wfparentesis",
    "tfparentesis",
    "pos_orient_parentesis",
    "combodial1",
    "combodial2",
    "combodial3",
    "menufile",
    "menuloadrobot",
    "menuloadtool",
    "menuremovetool",
    "menuexit",
    "menuview",
    "menuoptions",
    "menulanguages",
    "menueuler",
    "menusaveset",
    "menuhelp",
    "menuabout",
    "menuisometric",
    "menutop",
    "menufront",
    "menuright",
    "menuleft",
    "menuback",
    "menuIKconfig",
    "menuikbasic",
    "menuikextended",
    "menutcptrace",
    "tcptraceon",
    "tcptraceoff",
    "tcptracereset",
    "menusequence",
    "sequencepaste",
    "sequenceexecute",
    "sequencestop",
    "sequencereset",
    "loaddemo",
    "robotcontrolviewlbl",
    "objectsviewlbl",
    "simulationviewlbl",
    "loadobjectlbl",
    "loadstationlbl",
    "savestationlbl",
    "objectspropsviewlbl",
    "objnamelbl",
    "visiblelbl",
    "flipnormalslbl",
    "scalelbl",
    "removelbl",
    "oklbl",
    // The plots dock.
    "plotsdocklbl",
    "plotspositionlbl",
    "plotstcpmmlbl",
    "plotstcpdeglbl",
    "plotspnglbl",
    "plotscsvlbl",
    "plotsnoiklbl",
    "plotsjumplbl",
    "plotscrossinglbl",
    "plotsnearlbl",
    "plotsemptylbl",
    // uitext::Text, in its order.
    "movementlbl",
    "notanumberlbl",
    "numbersexpectedlbl",
    "jointlimitlbl",
    "jointtypolbl",
    "jointsleavelimitslbl",
    "jogrefusedlbl",
    "positionrefusedlbl",
    "orientationrefusedlbl",
    "posenotreachablelbl",
    "worldrefusedlbl",
    "placementrefusedlbl",
    "scalerefusedlbl",
    "abbdocklbl",
    "rapidupdatelbl",
    "rapidupdatetiplbl",
    "rapidnorobotlbl",
    "rapidbadwobjlbl",
    "rapidbadtoollbl",
    "rapidbadtargetlbl",
    "rapidnoconflbl",
    "rapidunreachablelbl",
    "rapidbadconflbl",
    "discontinuitylbl",
    "dialtiplbl",
    "rewindtiplbl",
    "playtiplbl",
    "stoptiplbl",
    "fasttiplbl",
    "endtiplbl",
    "looptiplbl",
    "helptitlelbl",
    "seqrefusedlbl",
    "objectnotelbl",
    "jogjumplbl",
    "toolnotloadedlbl",
    "lineoffilelbl",
    "cannotopenlbl",
    "nottextlbl",
    "notameshlinelbl",
    "verticesnotthreelbl",
    "facetnotclosedlbl",
    "objectsnotloadedlbl",
    "loadmodulelbl",
    "exportmodulelbl",
    "exporttitlelbl",
    "modulenamelbl",
    "speeddatalbl",
    "zonedatalbl",
    "lastpointfinelbl",
    "exportanywaylbl",
    "modulefileslbl",
    "allfileslbl",
    "loadmoduletitlelbl",
    "exportnorobotlbl",
    "exportnoprogramlbl",
    "cannotwritelbl",
    "modulenorobotlbl",
    "cannotreadlbl",
    "modulenotplayedlbl",
    "moduleskippedlbl",
    "problemcountlbl",
    "problemmorelbl",
    "problematlbl",
    "noiksolutionlbl",
    "notcontinuouslbl",
    "wristcrossinglbl",
    "wristnearlbl",
    "toomanypositionslbl",
    "outoflimitslbl",
    "reporttitlelbl",
    "reportcountlbl",
    "reportjointidlbl",
    "reportpathidlbl",
    "reportproblemlbl",
    "reportmorelbl",
    "reportskippedlbl",
    "analysinglbl",
    "plotsdegunitlbl",
    "plotsmarktiplbl",
    "modnotmodulelbl",
    "modnoproclbl",
    "modnoprocnamedlbl",
    "modnorobotlbl",
    "modnomovelbl",
    "modtoomanymoveslbl",
    "modunreachablelbl",
    "modconfmismatchlbl",
    "modstartlbl",
    "modtoolargelbl",
    "modnotinstrlbl",
    "modnotreadlbl",
    "modlinelbl",
    "modlineslbl",
    "rapidwobjlabellbl",
    "rapidtoollabellbl",
    "noinversekinematicslbl",
    "rapidmovesreadlbl",
    "progkindjointlbl",
    "progkindlinearlbl",
    "progkindvialbl",
    "progkindendlbl",
    "progkindtoollbl",
    "progkindplacelbl",
    "progkindotherlbl",
    "progsteprecordlbl",
    "progsteptouchlbl",
    "progstepdeletelbl",
    "progstepduplbl",
    "progstepmovelbl",
    "progstepkindlbl",
    "progsteptypelbl",
    "progstepspeedlbl",
    "prognorobotlbl",
    "prognolineslbl",
    "progatedgelbl",
    "prognotargetlbl",
    "progjointoutsidelbl",
    "progspeedinvalidlbl",
    "progzoneinvalidlbl",
    "progrejectedlbl",
    "prognotmovekindlbl",
    "progunreachablelbl",
    "progstepreplacelbl",
    "progstepnewlbl",
    "progstepopenlbl",
    "rapidnamereservedlbl",
    "rapidnametakenlbl",
    "programdocklbl",
    "proglinelbl",
    "progkindlbl",
    "progspeedlbl",
    "progzonelbl",
    "progchecklbl",
    "progrecjointlbl",
    "progreclinearlbl",
    "progreccirclelbl",
    "progrectoollbl",
    "progtouchuplbl",
    "progdeletelbl",
    "progduplicatelbl",
    "progmoveuplbl",
    "progmovedownlbl",
    "progapplylbl",
    "progapplytiplbl",
    "prognolinelbl",
    "progcellrefusedlbl",
    "proggotorefusedlbl",
    "progundolbl",
    "progredolbl",
    "prognewlbl",
    "progopenlbl",
    "progsavelbl",
    "progsaveaslbl",
    "progfileslbl",
    "progunsavedlbl",
    "progsavedlbl",
    "progtouchupbtnlbl",
    "progduplicatebtnlbl",
    "progkindtiplbl",
    "progeditmenulbl",
    "exportprogrammenulbl",
    "exportprogramtitlelbl",
    "exportlanguagelbl",
    "exportnamelbl",
    "exportspeedlbl",
    "exportzonelbl",
    "exportfolderlbl",
    "exportnamerefusedlbl",
    "exportnotwrittenlbl",
    "problemcollisionlbl",
    "collisionpairlbl",
    "partbaselbl",
    "partlinklbl",
    "parttoollbl",
    "collclearancelbl",
    "collnoobjectlbl",
    "collnorobotlbl",
    "collnowlbl",
    "colllanrefusedlbl",
    "collignorelbl",
    "safetydistmenulbl",
    "safetydistpromptlbl",
    "safetydistrefusedlbl",
    "collpreparinglbl",
    "collmarklbl",
    "controllerprogramslbl",
};
static_assert(std::size(kKeys) == std::size_t(LanguageFile::kEntries),
              "one key per entry: the panel's, the plots dock's and each uitext::Text");

// Last character position at which a key still counts.
constexpr int kLastKeyPosition = 999;

} // namespace

QString LanguageFile::key(int index)
{
    if (index < 0 || index >= kEntries)
        return QString();
    return QString::fromLatin1(kKeys[index]);
}

QString LanguageFile::fileName(int code)
{
    switch (code) {
    case -1:
    case 1:
        return QStringLiteral("english.txt");
    case 2:
        return QStringLiteral("francais.txt");
    case 3:
        return QStringLiteral("espanol.txt");
    case 4:
        return QStringLiteral("catala.txt");
    case 5:
        return QStringLiteral("german.txt");
    default:
        return QString();
    }
}

void LanguageFile::clear()
{
    m_texts.clear();
    m_found = 0;
}

bool LanguageFile::load(const QString &path)
{
    clear();
    QFile file(path);
    // Binary mode on purpose: a CR before the LF belongs to the line.
    if (!file.open(QIODevice::ReadOnly))
        return false;
    read(file);
    return true;
}

void LanguageFile::read(QIODevice &device)
{
    qint64 consumed = 0;
    auto nextPiece = [&device, &consumed]() {
        if (consumed >= kMaxFileBytes || device.atEnd())
            return QByteArray();
        QByteArray piece = device.readLine(kMaxLineBytes + 1);
        consumed += piece.size();
        return piece;
    };

    bool firstLine = true;
    for (QByteArray line = nextPiece(); !line.isEmpty(); line = nextPiece()) {
        bool complete = line.endsWith('\n');
        if (complete)
            line.chop(1);
        // Too long: drop the rest of this line so that it is not taken for
        // further lines.
        while (!complete) {
            const QByteArray rest = nextPiece();
            if (rest.isEmpty())
                break;
            complete = rest.endsWith('\n');
        }
        // A byte-order mark left by an editor is no character of the line.
        if (firstLine && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        firstLine = false;
        addLine(QString::fromUtf8(line));
    }
}

void LanguageFile::addLine(const QString &line)
{
    QString text;
    if (line.size() > kTextColumn) {
        const int start = [&line]() {
            int i = kTextColumn;
            while (i < line.size() && line.at(i) == QLatin1Char('#'))
                ++i;
            return i;
        }();
        const int end = line.indexOf(QLatin1Char('#'), start);
        text = line.mid(start, end < 0 ? -1 : end - start);
    }

    for (const char *k : kKeys) {
        const QLatin1String key(k);
        // Only where the key first appears matters; looking further than a
        // key starting at the last counting position would be wasted.
        const int pos = line.leftRef(kLastKeyPosition + key.size()).indexOf(key);
        if (pos < 1 || pos > kLastKeyPosition)
            continue;
        ++m_found;
        if (m_texts.size() < kEntries)
            m_texts.append(text);
    }
}

QStringList LanguageFile::texts(int first, int n) const
{
    QStringList out;
    for (int i = first; i < first + n && has(i); ++i)
        out.append(m_texts.at(i));
    return out;
}
