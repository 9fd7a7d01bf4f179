#!/usr/bin/env bash
# Snakemake's --cluster-status for SLURM: prints success, running or failed
# for the job id that sbatch --parsable gave ("ID" or "ID;CLUSTER"). Asks the
# accounting (sacct) first, then the controller, which keeps a finished job
# for MinJobAge seconds.
id=${1%%;*}
state=$(sacct -n -X -P -o State -j "$id" 2>/dev/null | head -n 1)
[ -n "$state" ] || state=$(scontrol -o show job "$id" 2>/dev/null | grep -o 'JobState=[A-Z_]*')
case "${state#JobState=}" in
  COMPLETED) echo success ;;
  BOOT_FAIL* | CANCELLED* | DEADLINE* | FAILED* | NODE_FAIL* | OUT_OF_MEMORY* | PREEMPTED* | TIMEOUT*) echo failed ;;
  *) echo running ;; # pending, running, completing, or not known yet
esac
