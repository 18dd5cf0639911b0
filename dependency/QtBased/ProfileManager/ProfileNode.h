#pragma once

#include "profile_data.h"

#include <QModelIndex>
#include <QObject>
#include <QVariant>

// Data roles the profile views ask the nodes for.
enum ProfileNodeRole {
    PNR_Name = 40,
    PNR_Comment = 41,
    PNR_Icon = 42, // filled by the icon slot of ProfileConfig
    PNR_Star = 43,
    PNR_IsLink = 44,
    PNR_Selected = 46,
    PNR_CatPointer = 47, // CatData* as quintptr (tree models)
    PNR_LnkPointer = 48, // LnkData* as quintptr (tree models)
    PNR_GroupSeparator = 50,
};

// What a view asks of a list of categories or links.
class ProfileNode
{
public:
    virtual ~ProfileNode() = default;
    virtual int RequireChildCount() = 0;
    // Writes the value of a role for the row into result; nothing for a row
    // outside the list or a role the node does not know.
    virtual void RequireChildData(QModelIndex const& index, QVariant& result, int role) = 0;
};

// The categories the catalogue currently shows.
class ProfileCatNode : public QObject, public ProfileNode
{
    Q_OBJECT
public:
    CatViewList& GetList() { return m_list; }
    int RequireChildCount() override { return m_list.size(); }
    CatData* RequireData(QModelIndex const& index);
    void RequireChildData(QModelIndex const& index, QVariant& result, int role) override;

signals:
    void dataFromNode(QVariant& data, QVariant sName, CatData* pData);

private:
    CatViewList m_list;
};

// The links of the active category (or the search hits).
class ProfileLnkNode : public QObject, public ProfileNode
{
    Q_OBJECT
public:
    QList<LnkData*>& GetList() { return m_list; }
    int RequireChildCount() override { return m_list.size(); }
    LnkData* RequireData(QModelIndex const& index);
    void RequireChildData(QModelIndex const& index, QVariant& result, int role) override;

signals:
    void dataFromNode(QVariant& data, QVariant sName, LnkData* pData);

private:
    QList<LnkData*> m_list;
};
