#include "gamma.h"

#include "alphabet.h"

QString gammaTransform(const QString &source, qint32 A, qint32 C, qint32 T0)
{
    const int n = source.size();
    QString result(n, Qt::Uninitialized);
    qint32 t = T0;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            t = nextGammaValue(t, A, C);
        const QChar ch = source.at(i);
        const std::optional<int> code = lookupCode(ch);
        result[i] = code ? *lookupLetter(*code ^ gammaCode(t)) : ch;
    }
    return result;
}
