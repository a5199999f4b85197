// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDI_MARLISKAUTO 1

#define IDD_MAIN 100
#define IDC_LABEL1 1001
#define IDC_BUTTON_OK 1002
