#include "render/frame_composition.h"

#include <cmath>
#include <string>

#include "app/globals.h"
#include "app/viewer_ui.h"
#include "interaction/control_points.h"
#include "render/d3dx8.h"
#include "render/my_2dobj.h"
#include "render/my_xobj.h"
#include "scene/scene_environment.h"

namespace {

constexpr int kHoverRadius = 30;  // truncated distances below this hover

void SetFixedStates(IDirect3DDevice8* dev) {
  dev->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  dev->SetRenderState(D3DRS_LIGHTING, TRUE);
  dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
}

void SetBlendingStates(IDirect3DDevice8* dev) {
  dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  dev->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
}

// Returns true when point i is hovered, which ends the frame.
bool HandleControlPoint(int i) {
  const D3DVECTOR& p = sceneEnvironment.controlPoints[i];
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, p.x, p.y, p.z);
  if (pointMarkerMesh) {
    pointMarkerMesh->SetWorld(m);
  } else {
    GetDevice()->SetTransform(D3DTS_WORLD, &m);
  }
  if (viewerState.debugMode) {
    if (pointMarkerMesh) pointMarkerMesh->Draw();
    return false;
  }
  int sx = 0, sy = 0, depth = 0;
  // A point that cannot be placed (behind the eye) is neither drawn nor tested.
  if (!ProjectToScreen(sx, sy, depth)) return false;
  if (i == 0) {
    if (mosaicSprite) {
      mosaicSprite->PlaceCentered(float(sx), float(sy));
      mosaicSprite->Draw();
    }
    return false;
  }
  const double dx = double(sx) - mouseX;
  const double dy = double(sy) - mouseY;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (!(d < kHoverRadius)) {
    viewerState.pointHovered = false;
    return false;
  }
  if (viewerState.holdingPoint || viewerState.rotating) return false;
  if (cursorSprite) {
    cursorSprite->PlaceCentered(float(sx), float(sy));
    cursorSprite->Draw();
  }
  viewerState.hoverPoint = i;
  viewer_ui::SetLabelCaption(2, std::to_string(sceneEnvironment.motionArray[1][i]));
  viewerState.pointHovered = true;
  return true;
}

}  // namespace

void RenderFrame() {
  IDirect3DDevice8* dev = GetDevice();
  if (!dev) return;

  D3DXMATRIX view;
  const D3DXVECTOR3 up = {0.0f, 1.0f, 0.0f};
  D3DXMatrixLookAtLH(&view, &cameraEye, &cameraAt, &up);
  dev->SetTransform(D3DTS_VIEW, &view);
  D3DXMATRIX world;
  D3DXMatrixRotationY(&world, 0.0f);
  dev->SetTransform(D3DTS_WORLD, &world);
  SetFixedStates(dev);

  if (viewerState.drawBackground && backgroundMesh) backgroundMesh->Draw();
  SetBlendingStates(dev);

  if (modelMesh) {
    D3DXMATRIX model;
    D3DXMatrixTranslation(&model, 0.0f, 0.0f, 0.0f);
    D3DXMatrixMultiply(&model, &model, &world);
    modelMesh->SetWorld(model);
    if (viewerState.animate) modelMesh->MorphStep();
    modelMesh->Draw();
  }

  if (viewerState.debugMode && centerMarkerMesh) {
    D3DXMATRIX at;
    D3DXMatrixTranslation(&at, cameraAt.x, cameraAt.y, cameraAt.z);
    centerMarkerMesh->SetWorld(at);
    centerMarkerMesh->Draw();
  }

  DrawSceneButtons();

  if (viewerState.demoMode && logoSprite) {
    logoSprite->PlaceCentered(120.0f, 390.0f);
    logoSprite->Draw();
  }

  for (int i = 0; i < kControlPointCount; ++i) {
    if (HandleControlPoint(i)) return;
  }
}
