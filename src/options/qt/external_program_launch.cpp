#include "options/qt/external_program_launch.h"

#include <QProcess>
#include <QString>

namespace corvimap {

bool LaunchExternalProgram(const ExternalProgram& entry, std::string_view address) {
    QStringList arguments;
    for (const std::string& word :
         SplitParameterLine(ExpandHostAddress(entry.parameters, address))) {
        arguments << QString::fromStdString(word);
    }
    return QProcess::startDetached(QString::fromStdString(entry.program), arguments);
}

}  // namespace corvimap
