#pragma once

#include "IVantrel.h"

#include <QMap>

// The configuration items in a map, and the program's call-back.
class CProductConfig : public IProductConfig
{
public:
    void SetConfigItem(int id, const QVariant& value) override { m_items.insert(id, value); }
    void SetConfigCallBack(IConfigCallBack* callBack) override { m_callBack = callBack; }

    QVariant ConfigItem(int id) const { return m_items.value(id); }
    IConfigCallBack* CallBack() const { return m_callBack; }

private:
    QMap<int, QVariant> m_items;
    IConfigCallBack* m_callBack = nullptr;
};
