echo SKIP; exit 0
