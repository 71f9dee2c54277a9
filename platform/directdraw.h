// The subset of DirectDraw the program uses. The interfaces are abstract, as COM's are; each
// device (platform/sdl/, tests/fake/) implements them and DirectDrawCreate. The methods keep the
// platform's shapes, so the same calls compile against the real <ddraw.h>.
#pragma once

#include "platform/win32.h"

typedef int32_t HRESULT;
struct GUID;
struct IUnknown;

#define DD_OK ((HRESULT)0)
#define DDERR_GENERIC ((HRESULT)0x80004005u)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057u)
#define DDERR_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001u)
#define DDERR_NODIRECTDRAWHW ((HRESULT)0x88760255u)
#define DDERR_SURFACELOST ((HRESULT)0x887601C2u)
#define DDERR_SURFACEBUSY ((HRESULT)0x887601AEu)
#define DDERR_NOTLOCKED ((HRESULT)0x887601E2u)
#define DDERR_NOEXCLUSIVEMODE ((HRESULT)0x887600E1u)

// Cooperative levels
#define DDSCL_FULLSCREEN 0x1u
#define DDSCL_EXCLUSIVE 0x10u

// Surface descriptions
#define DDSD_CAPS 0x1u
#define DDSD_HEIGHT 0x2u
#define DDSD_WIDTH 0x4u
#define DDSD_PITCH 0x8u
#define DDSCAPS_PRIMARYSURFACE 0x200u

// Locks
#define DDLOCK_WAIT 0x1u

// Palettes
#define DDPCAPS_8BIT 0x4u
#define DDPCAPS_ALLOW256 0x40u

typedef struct _DDSCAPS {
    DWORD dwCaps;
} DDSCAPS;

typedef struct _DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    LPVOID lpSurface;
    DDSCAPS ddsCaps;
} DDSURFACEDESC, *LPDDSURFACEDESC;

class IDirectDrawPalette {
  public:
    virtual ULONG Release() = 0;

  protected:
    virtual ~IDirectDrawPalette() = default;
};

class IDirectDrawSurface {
  public:
    virtual HRESULT Lock(LPRECT lpDestRect, LPDDSURFACEDESC lpDDSurfaceDesc, DWORD dwFlags,
                         HANDLE hEvent) = 0;
    virtual HRESULT Unlock(LPVOID lpSurfaceData) = 0;
    virtual HRESULT SetPalette(IDirectDrawPalette* lpDDPalette) = 0;
    virtual ULONG Release() = 0;

  protected:
    virtual ~IDirectDrawSurface() = default;
};

class IDirectDraw {
  public:
    virtual HRESULT SetCooperativeLevel(HWND hWnd, DWORD dwFlags) = 0;
    virtual HRESULT SetDisplayMode(DWORD dwWidth, DWORD dwHeight, DWORD dwBPP) = 0;
    virtual HRESULT CreateSurface(LPDDSURFACEDESC lpDDSurfaceDesc,
                                  IDirectDrawSurface** lplpDDSurface, IUnknown* pUnkOuter) = 0;
    virtual HRESULT CreatePalette(DWORD dwFlags, LPPALETTEENTRY lpColorTable,
                                  IDirectDrawPalette** lplpDDPalette, IUnknown* pUnkOuter) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual ULONG Release() = 0;

  protected:
    virtual ~IDirectDraw() = default;
};

typedef IDirectDraw* LPDIRECTDRAW;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

HRESULT WINAPI DirectDrawCreate(GUID* lpGUID, LPDIRECTDRAW* lplpDD, IUnknown* pUnkOuter);
