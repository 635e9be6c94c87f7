#pragma once

#include <QString>
#include <QStringList>

// Names the PostgreSQL server set aside for the tests that stop it, so that they never disturb
// the others running against VDR_TEST_POSTGRES_URL meanwhile.
inline constexpr const char* kStoppablePostgresVariable = "VDR_TEST_STOPPABLE_POSTGRES_URL";
// Its cluster as "VERSION/NAME", for pg_ctlcluster.
inline constexpr const char* kStoppableClusterVariable = "VDR_TEST_STOPPABLE_POSTGRES_CLUSTER";

// That cluster, stopped and started with pg_ctlcluster (through "sudo -n" unless root). Whatever
// the test leaves, the cluster runs again once this object is gone.
class StoppableCluster {
public:
    // Empty when the cluster answers and this process may stop and start it, else why not.
    static QString unavailableReason();

    StoppableCluster();
    ~StoppableCluster();
    StoppableCluster(const StoppableCluster&) = delete;
    StoppableCluster& operator=(const StoppableCluster&) = delete;

    // mode: pg_ctl's shutdown mode, "fast" (sessions rolled back, a checkpoint) or "immediate" (as a
    // crash: recovery at the next start). Both wait until the server is down or up; pg_ctlcluster's
    // output says why not when they return false.
    bool stop(const QString& mode, QString* output);
    bool start(QString* output);

private:
    QStringList clusterName_; // version and name
    bool stopped_ = false;
};
