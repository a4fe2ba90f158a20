#pragma once
#include <QString>

// Where the program's own files are (the lists, the manuals): its own
// folder when they are there (a build tree, a copied folder), else the
// data folder of the prefix it is installed in (bin/../share/kov-t6).
QString DataFolder();
