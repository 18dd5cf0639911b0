#include "Pellino.h"

#include "CBaseException.h"
#include "CPlayer.h"
#include "CVideoDriver.h"

Moorland::IPlayer* CreatePlayer()
{
    return QB_GUARDED(static_cast<Moorland::IPlayer*>(nullptr),
                      { return static_cast<Moorland::IPlayer*>(new Pellino::CPlayer()); });
}

Moorland::IVideoDriver* CreateVideoDriver(const Moorland::VideoDriverDesc* desc)
{
    return QB_GUARDED(static_cast<Moorland::IVideoDriver*>(nullptr), {
        if (!desc || !desc->handle)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (desc->type != Moorland::VIDEO_DRIVER_WINDOW && desc->type != Moorland::VIDEO_DRIVER_IMAGE)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        return static_cast<Moorland::IVideoDriver*>(new Pellino::CVideoDriver(*desc));
    });
}
