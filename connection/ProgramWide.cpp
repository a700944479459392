#include "ProgramWide.h"

int PortNumber = 1;
QByteArray VfoCommand = "FN0;";
bool StorePending = false;
