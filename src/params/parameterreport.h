#pragma once
#include "parametaset.h"

#include <QList>
#include <QString>
#include <utility>

class Messages;

// The parameters a report shows, by the report's names, with list values
// written out ("0. Drive-ON", "Logic A(1)", ...).
QList<std::pair<QString, QString>> ParameterReportLines(const ParametaRecord &p,
                                                        const Messages &msg);
