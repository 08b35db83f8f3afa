#include "app/frmMain.h"

void frmMain::mnuAbout_Click()
{
}
