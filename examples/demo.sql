-- Kestrel's demo: a small company in two tables, run through kestrel-sql.
-- Oracle's SQL, as the vendor's database and the embedded engine both run
-- it (joins, GROUP BY, ROUND, HEXTORAW for the logos' bytes).

CREATE TABLE departments (
  dept_id   NUMBER(4)    PRIMARY KEY,
  name      VARCHAR2(30) NOT NULL,
  location  VARCHAR2(30),
  budget    NUMBER(12,2),
  logo      BLOB
);

CREATE TABLE employees (
  emp_id     NUMBER(6)    PRIMARY KEY,
  name       VARCHAR2(40) NOT NULL,
  job        VARCHAR2(20),
  salary     NUMBER(8,2),
  commission NUMBER(4,2),
  dept_id    NUMBER(4) REFERENCES departments (dept_id)
);

INSERT INTO departments (dept_id, name, location, budget, logo)
  VALUES (10, 'Accounting', 'New York', 125000.50, HEXTORAW('89504E470D0A1A0A'));
INSERT INTO departments (dept_id, name, location, budget, logo)
  VALUES (20, 'Research', 'Dallas', 310000, HEXTORAW('FFD8FFE0'));
INSERT INTO departments (dept_id, name, location, budget, logo)
  VALUES (30, 'Sales', 'Chicago', 98000.75, NULL);
INSERT INTO departments (dept_id, name, location, budget, logo)
  VALUES (40, 'Operations', NULL, NULL, NULL);

INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7369, 'Smith', 'Clerk', 800, NULL, 20);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7499, 'Allen', 'Salesman', 1600, 0.3, 30);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7521, 'Ward', 'Salesman', 1250.5, 0.5, 30);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7566, 'Jones', 'Manager', 2975, NULL, 20);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7782, 'Clark', 'Manager', 2450.25, NULL, 10);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7839, 'King', 'President', 5000, NULL, 10);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7902, 'Ford', 'Analyst', 3000, NULL, 20);
INSERT INTO employees (emp_id, name, job, salary, commission, dept_id)
  VALUES (7934, 'Miller', NULL, 1300, NULL, NULL);

-- Departments as stored: NULLs print empty, BLOBs as their type.
SELECT dept_id, name, location, budget, logo
  FROM departments
 ORDER BY dept_id;

-- A join: who works where (Miller has no department yet).
SELECT e.name, e.job, d.name AS department, e.salary, e.commission
  FROM employees e LEFT JOIN departments d ON d.dept_id = e.dept_id
 ORDER BY e.emp_id;

-- An aggregate per department, empty departments included.
SELECT d.name AS department,
       COUNT(e.emp_id) AS headcount,
       SUM(e.salary) AS payroll,
       ROUND(AVG(e.salary), 2) AS average
  FROM departments d LEFT JOIN employees e ON e.dept_id = d.dept_id
 GROUP BY d.name
 ORDER BY d.name;

-- A raise for Research, committed as it runs (the demo then reads the
-- salaries back from a new session).
UPDATE employees SET salary = salary * 1.1 WHERE dept_id = 20;
