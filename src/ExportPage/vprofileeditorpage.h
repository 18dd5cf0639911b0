#pragma once

// The "Editor" page: the device page's design over the categories of
// editing programs.

#include "vprofiledevicepage.h"

class VProfileEditorPage : public VProfileDevicePage
{
    Q_OBJECT
public:
    VProfileEditorPage(ProfileNodeManager* pMgr, QWidget* parent = nullptr);

    void Retranslate() override;
};
