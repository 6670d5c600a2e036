#include "render/d3d8_defaults.h"

#include <algorithm>

void FillDefaultRenderStates(std::span<DWORD, kRenderStateSlots> rs, bool autoDepth) {
  std::fill(rs.begin(), rs.end(), 0u);
  rs[D3DRS_ZENABLE] = autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = 3;   // solid
  rs[D3DRS_SHADEMODE] = 2;  // Gouraud
  rs[D3DRS_ZWRITEENABLE] = TRUE;
  rs[16] = TRUE;  // last pixel
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[25] = D3DCMP_ALWAYS;  // alpha function
  rs[37] = 0x3f800000;     // fog end 1.0
  rs[38] = 0x3f800000;     // fog density 1.0
  rs[53] = rs[54] = rs[55] = 1;  // stencil operations KEEP
  rs[56] = D3DCMP_ALWAYS;        // stencil function
  rs[58] = 0xffffffff;           // stencil masks
  rs[59] = 0xffffffff;
  rs[D3DRS_TEXTUREFACTOR] = 0xffffffff;
  rs[D3DRS_LIGHTING] = TRUE;
  rs[D3DRS_COLORVERTEX] = TRUE;
  rs[D3DRS_LOCALVIEWER] = TRUE;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[154] = 0x3f800000;  // point size 1.0
  rs[158] = 0x3f800000;  // point scale A 1.0
  rs[162] = 0xffffffff;  // multisample mask
  rs[168] = 0xf;         // colour write enable
  rs[D3DRS_BLENDOP] = 1;  // add
}

void FillDefaultStageStates(DWORD stage, std::span<DWORD, kStageStateSlots> ts) {
  std::fill(ts.begin(), ts.end(), 0u);
  ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
  ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
  ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
  ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
  ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
  ts[D3DTSS_TEXCOORDINDEX] = stage;
  ts[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
  ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
  ts[25] = D3DTADDRESS_WRAP;  // address W
  ts[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
  ts[D3DTSS_MINFILTER] = D3DTEXF_POINT;
  ts[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
  ts[D3DTSS_MAXANISOTROPY] = 1;
}
