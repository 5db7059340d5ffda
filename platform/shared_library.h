#pragma once

#include <string>
#include <utility>

// A shared library loaded at run time by file name, searched for as the system's loader
// searches for the libraries a program is linked with. Unloaded when the object goes.
class CSharedLibrary {
  public:
    CSharedLibrary() = default;
    ~CSharedLibrary();
    CSharedLibrary(const CSharedLibrary&) = delete;
    CSharedLibrary& operator=(const CSharedLibrary&) = delete;

    // False when the library or one of the libraries it needs cannot be loaded, or when this
    // object holds one already.
    bool Open(std::string name);

    // Points function at the library's function of that name; false, with function unchanged,
    // when the library is not open or has no such function.
    template <typename Function> bool Find(std::string name, Function*& function) const {
        void* address = Address(std::move(name));
        if (!address)
            return false;
        function = reinterpret_cast<Function*>(address);
        return true;
    }

  private:
    void* Address(std::string name) const;

    void* m_hModule = nullptr;
};
