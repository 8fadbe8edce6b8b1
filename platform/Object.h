#pragma once

// The one polymorphic root of the program's model objects and value-list records. It only
// guarantees a virtual destructor, so that owners can destroy a record through its base and
// code that needs to tell two kinds apart (a file from a comparison, an entry from a section)
// can use dynamic_cast.
class CObject {
public:
    virtual ~CObject() = default;
};
