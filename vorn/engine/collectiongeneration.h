// How a module learns that its engine's collection changed: an engine that
// offers this counts every insertion and removal, so what a module looked
// up by ID (GetModule) stays good while the count stays the same.
#ifndef VORN_ENGINE_COLLECTIONGENERATION_H
#define VORN_ENGINE_COLLECTIONGENERATION_H

namespace Vorn {

class CollectionGeneration {
public:
  // Changes, under the engine's collection lock, with every insertion into
  // or removal from the collection.
  virtual unsigned CurrentCollectionGeneration() const = 0;

protected:
  ~CollectionGeneration() = default;
};

}  // namespace Vorn

#endif
