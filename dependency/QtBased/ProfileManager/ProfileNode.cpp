#include "ProfileNode.h"

CatData* ProfileCatNode::RequireData(QModelIndex const& index)
{
    int row = index.row();
    return row >= 0 && row < m_list.size() ? m_list[row] : nullptr;
}

void ProfileCatNode::RequireChildData(QModelIndex const& index, QVariant& result, int role)
{
    CatData* cat = RequireData(index);
    if (!cat)
        return;
    switch (role) {
    case PNR_Name: result = cat->name; break;
    case PNR_Icon: emit dataFromNode(result, QVariant(static_cast<uint>(cat->id)), cat); break;
    case PNR_IsLink: result = false; break;
    case PNR_Selected: result = cat->state.testFlag(BF_Star); break;
    case PNR_GroupSeparator: {
        int row = index.row();
        result = cat->type != 0 && (row == 0 || m_list[row - 1]->type != cat->type);
        break;
    }
    default: break;
    }
}

LnkData* ProfileLnkNode::RequireData(QModelIndex const& index)
{
    int row = index.row();
    return row >= 0 && row < m_list.size() ? m_list[row] : nullptr;
}

void ProfileLnkNode::RequireChildData(QModelIndex const& index, QVariant& result, int role)
{
    LnkData* lnk = RequireData(index);
    if (!lnk)
        return;
    switch (role) {
    case PNR_Name: result = lnk->name; break;
    case PNR_Comment: result = lnk->comment; break;
    case PNR_Icon: emit dataFromNode(result, QVariant(static_cast<uint>(lnk->id)), lnk); break;
    case PNR_Star:
        if (lnk->flags.testFlag(BF_Star))
            emit dataFromNode(result, QVariant(QStringLiteral("star")), lnk);
        break;
    case PNR_IsLink: result = true; break;
    case PNR_Selected: result = lnk->state.testFlag(BF_Star); break;
    case PNR_GroupSeparator: result = false; break;
    default: break;
    }
}
