#pragma once
// Sample data for trials and benchmarks: drivers, subscribers, and services spread over days
// before today, with a payment for every tenth service.

#include <QString>

namespace agency {
void generateSample(const QString& path, int services, int drivers, int subscribers, int days);
}
