#include "controls/DBGrid.h"

// Export of what a grid shows: to be written.
void TDBGrid::ExportDialog() {}
