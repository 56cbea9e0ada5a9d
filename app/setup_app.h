// The application: shows the setup dialog once and ends when it closes.
#pragma once

#include "platform/app.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
