// LensClient: what the lens tells the component that opened it, so that the lens needs nothing
// else of the component. The component implements it; the lens holds it, not owned, only while it
// is the open lens.
#pragma once

class LensClient {
public:
  // A zoom chosen at the lens (its menu, the wheel, the keys): the component takes it as its own.
  virtual void LensZoomChosen(int zoom) = 0;

protected:
  ~LensClient() = default;
};
