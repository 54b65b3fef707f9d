// velkari-kin's export in the controller languages: a sequence file written
// as a program for the controller of the robot's maker, or of --format.
#pragma once

#include <QString>
#include <string>

class Robot;

namespace kin {

struct ExportRequest
{
    QString file;   // the sequence file
    QString format; // rapid, krl, ls, urscript, jbi, val3; empty: the robot maker's
    QString outDir; // empty: a one-file language to standard output
    QString name, speed, zone;
};

// Whether the request is today's RAPID module on standard output, which
// modulecommands.h writes.
bool isPlainRapid(const Robot &robot, const ExportRequest &request);

// Writes the program: into request.outDir (created when missing; "wrote
// PATH" for each file on `notes`), or its one file on `out`. Notes also get
// the lines left out and the problem positions. Returns 0, 3 when the
// program has problem positions (written all the same), 2 when the sequence
// cannot be read, the format, name, speed or zone is refused, a language of
// several files has no --out, or a file cannot be written.
int exportAs(Robot &robot, const ExportRequest &request, std::string &out, std::string &notes);

} // namespace kin
