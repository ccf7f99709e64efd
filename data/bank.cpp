#include "data/bank.h"

#include "data/bank_files.h"

Bank loadBank(const QString &path) {
    return bankfiles::openBank(path).bank;
}
