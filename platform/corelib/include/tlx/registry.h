// The registry of the core library: two hives of keys and typed values, the machine hive
// (HKEY_LOCAL_MACHINE: <machine folder>/registry/machine.db) and the per-user hive
// (HKEY_CURRENT_USER: <user folder>/registry/user.db), each a SQLite database that several
// processes may read and write at the same time.
//
// Values are addressed by one path: the key and the value name joined by a backslash, as
// "Software\VQ Morvane\VQ ReziraDovarir\PortMax"; the last backslash separates the value name.
// Key and value names compare without regard to case and keep the case they were created
// with. Values keep their type (Boolean, whole number, double, text, date, byte array).
//
// Reading never writes: a hive that does not exist reads as empty and is made, whole, by the
// first write. A hive that cannot be used (not a database, empty, damaged, a folder, a pipe,
// read-only for writing, locked by another program for longer than a few seconds) throws
// tlx::Error naming its file and the reason, and is left as it is. Every other failure of the
// database throws tlx::Error too. A registry object belongs to one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

enum enm_RegistryHive : std::int32_t {
    HKEY_LOCAL_MACHINE = 1,
    HKEY_CURRENT_USER = 2,
};

class cls_CoreRegistry : public Object {
  public:
    cls_CoreRegistry();
    ~cls_CoreRegistry() override;

    // The stored value, or `pDefault` when there is none.
    Variant READ(enm_RegistryHive pHive, const std::string& pPath, const Variant& pDefault = {});
    // The value as text, cut to `pMaxChars` characters when that is above 0.
    std::string READTEXT(enm_RegistryHive pHive, const std::string& pPath,
                         const std::string& pDefault = {}, std::size_t pMaxChars = 0);
    // The value as a whole number; `pDefault` when there is none or it is no number.
    std::int32_t READLONG(enm_RegistryHive pHive, const std::string& pPath,
                          std::int32_t pDefault = 0);
    // The value as a Boolean (a number is True when not 0); `pDefault` when there is none or
    // it cannot be read as a Boolean.
    bool READBOOL(enm_RegistryHive pHive, const std::string& pPath, bool pDefault = false);

    // Creates or replaces the value. Arrays and object references cannot be stored.
    void WRITE(enm_RegistryHive pHive, const std::string& pPath, const Variant& pValue);
    // Removes the value; False when there was none.
    bool DELETEVALUE(enm_RegistryHive pHive, const std::string& pPath);
    // Names of the values of `pKey`, in the order they were created.
    std::vector<std::string> VALUENAMES(enm_RegistryHive pHive, const std::string& pKey);

    // The database file of a hive.
    static std::string HIVEFILE(enm_RegistryHive pHive);
    // Checks that the hive can be read: throws tlx::Error naming the file and what is wrong. A
    // hive that does not exist yet is fine.
    void CHECK(enm_RegistryHive pHive);

    struct Hive;

  private:
    friend class RegistryTransaction;
    Hive& Open(enm_RegistryHive hive, bool forWriting);

    std::unique_ptr<Hive> machine_;
    std::unique_ptr<Hive> user_;
};

// Makes the writes and removals of `registry` on one hive one change: others see none of them
// until Commit, and a transaction that ends without it (an error, a killed program) leaves the
// hive as it was. It holds the hive's write lock meanwhile, so another registry object that
// writes the same hive waits for it, for at most the busy time-out.
class RegistryTransaction {
  public:
    RegistryTransaction(cls_CoreRegistry& registry, enm_RegistryHive hive);
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;

    void Commit();

  private:
    cls_CoreRegistry::Hive* hive_;
};

}  // namespace tlx
