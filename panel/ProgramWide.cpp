#include "ProgramWide.h"

QByteArray VfoCommand = "FN0;";
bool StorePending = false;
